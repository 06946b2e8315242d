#!/bin/sh
# Builds the Debian package dist/ksy7100-eval_VERSION_ARCH.deb from the release build with CPack's
# DEB generator (what `cmake --install` installs, under /usr, the binary stripped, the library
# dependencies from dpkg-shlibdeps) and prints its path. CPack stages the files in a temporary
# folder, so the build tree keeps one binary.
# Usage: scripts/package.sh
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh dpkg-dev >&2
scripts/build.sh release >&2

stage=$(mktemp -d /tmp/ksy7100-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
cpack --config build/release/CPackConfig.cmake -B "$stage" >&2
set -- "$stage"/*.deb
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "package.sh: CPack made no single package in $stage" >&2
    exit 1
fi
mkdir -p dist
mv "$1" dist/
echo "$(pwd)/dist/$(basename "$1")"
