#!/bin/sh
# Checks the Debian package as Debian and the desktop see it: lintian finds no error or warning,
# the desktop entry and the AppStream metainfo validate, the manual page renders without a
# warning and the files it names are in the package, the changelog is of the package's version,
# the bash completion completes, and the tool unpacked from the package into a scratch root runs:
# --version, a headless command on the simulated board answered as the build tree's tool answers
# it, and the Python driver imports from where the package put it.
# Usage: scripts/check_package.sh [PACKAGE.deb]   (default: scripts/package.sh makes it)
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh dpkg-dev file lintian desktop-file-utils appstream man-db groff-base bash-completion >&2
deb="${1:-$(scripts/package.sh)}"
root=$(mktemp -d /tmp/ksy7100-check.XXXXXX)
trap 'rm -rf "$root"' EXIT
failed=0
fail() {
    echo "FAILED: $*" >&2
    failed=1
}

echo "== $deb"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\|Section\|Installed-Size\):/  &/p'
version=$(dpkg-deb --field "$deb" Version)
dpkg -x "$deb" "$root"
id=io.github.ksy7100.eval

echo "== lintian"
lintian --fail-on error,warning --display-info "$deb" || fail "lintian"

echo "== desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

echo "== manual page"
page="$root/usr/share/man/man1/ksy7100-eval.1.gz"
warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1) || fail "groff"
[ -z "$warnings" ] || fail "groff warns: $warnings"
rendered=$(LC_ALL=C.UTF-8 MANWIDTH=100 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l"
[ -z "$rendered" ] || fail "man warns: $rendered"
named=0
for path in $(zcat "$page" | sed -n 's|^\.I \(/usr/[^ ]*\)$|\1|p' | sed 's/\\-/-/g'); do
    [ -e "$root$path" ] || fail "the manual page names $path, which the package does not hold"
    named=$((named + 1))
done
[ "$named" -gt 0 ] || fail "the manual page names none of the package's files"

echo "== changelog"
zcat "$root/usr/share/doc/ksy7100-eval/changelog.gz" >"$root/changelog"
logged=$(dpkg-parsechangelog -l "$root/changelog" -S Version)
[ "$logged" = "$version" ] || fail "the changelog's top entry is $logged, the package $version"

echo "== bash completion"
completions=$(bash -c '. /usr/share/bash-completion/bash_completion
    . "$1/usr/share/bash-completion/completions/ksy7100-eval"
    complete_words() { COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _comp_ksy7100_eval ksy7100-eval "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        echo "${COMPREPLY[*]}"; }
    complete_words ksy7100-eval --tra; complete_words ksy7100-eval --link s; complete_words ksy7100-eval --variant=ksy7100-8' \
    sh "$root")
[ "$completions" = "$(printf -- '--trace\nsim\nksy7100-8')" ] || fail "bash completion gave: $completions"

echo "== the tool from the package"
tool="$root/usr/bin/ksy7100-eval"
file "$tool" | grep -q ', stripped' || fail "the binary is not stripped"
[ "$("$tool" --version)" = "ksy7100-eval $version" ] || fail "--version: $("$tool" --version)"
run_headless() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
        "$1" --headless --variant ksy7100-1 --link sim --exec 'FREQ 2400.2; LATC:WORD? N; FREQ?'
}
answer=$(run_headless "$tool") || fail "the headless run ended with status $?"
expected=$(run_headless build/release/ksy7100-eval)
echo "$answer"
[ "$answer" = "$expected" ] || fail "the packaged tool answered '$answer', the build tree's '$expected'"
PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c 'import ksy7100, ksy7100.pymeasure' ||
    fail "the Python driver does not import"

if [ "$failed" -ne 0 ]; then
    echo "package check FAILED" >&2
    exit 1
fi
echo "OK: $deb"
