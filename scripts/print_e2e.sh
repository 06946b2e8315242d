#!/bin/sh
# End-to-end check of "Print This Form" through a real print queue: a private CUPS scheduler
# (own configuration, spool and socket under a temporary folder, so the machine's own printers and
# default stay untouched) with one cups-pdf queue as its default; the tool runs under xvfb-run,
# a variant is chosen and File > Print This Form is pressed from the keyboard; the script then
# checks that exactly one PDF page arrived, turns it into a PNG, and stops the scheduler again.
# Not part of scripts/test.sh: it needs a print server.
#
# Usage: scripts/print_e2e.sh [OUTDIR]    (the printed PDF and its PNG are copied there;
#                                          default /tmp/ksy7100-print-e2e)
# Exit status: 0 the page arrived, 1 it did not, 77 CUPS cannot run on this machine.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
outdir="${1:-/tmp/ksy7100-print-e2e}"
queue=KSY7100-PDF

scripts/setup.sh cups printer-driver-cups-pdf xvfb xauth xdotool poppler-utils
scripts/build.sh release >/dev/null

# The scheduler and the cups-pdf backend need root; the tool itself runs as the caller.
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

work=$(mktemp -d /tmp/ksy7100-cups.XXXXXX)
chmod 755 "$work"  # the filters run as lp and read the spool below it
mkdir -p "$work/etc" "$work/spool/tmp" "$work/cache" "$work/run" "$work/log" "$work/home"
socket="$work/cups.sock"
cupsd_pid=""
tool_pid=""

cleanup() {
    if [ -n "$tool_pid" ]; then kill "$tool_pid" 2>/dev/null || true; fi
    if [ -n "$cupsd_pid" ]; then
        $sudo kill "$cupsd_pid" 2>/dev/null || true
        wait "$cupsd_pid" 2>/dev/null || true
        echo "cupsd stopped"
    fi
    $sudo rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

cat >"$work/etc/cups-files.conf" <<EOF
ServerRoot $work/etc
RequestRoot $work/spool
TempDir $work/spool/tmp
CacheDir $work/cache
StateDir $work/run
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
Printcap $work/printcap
SystemGroup root
EOF
cat >"$work/etc/cupsd.conf" <<EOF
Listen $socket
LogLevel info
WebInterface No
Browsing Off
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF

cannot_run() {
    echo "CUPS cannot run on this machine: $1" >&2
    if [ -s "$work/log/error_log" ]; then tail -n 5 "$work/log/error_log" >&2; fi
    exit 77
}

export CUPS_SERVER="$socket"
$sudo cupsd -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" >"$work/log/cupsd.out" 2>&1 &
cupsd_pid=$!
i=0
until lpstat -r 2>/dev/null | grep -q "scheduler is running"; do
    if ! kill -0 "$cupsd_pid" 2>/dev/null; then
        cupsd_pid=""
        cannot_run "cupsd exited at start: $(cat "$work/log/cupsd.out")"
    fi
    i=$((i + 1))
    [ $i -le 100 ] || cannot_run "the scheduler did not answer on $socket within 10 seconds"
    sleep 0.1
done
echo "cupsd running (pid $cupsd_pid, socket $socket)"

ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
lpadmin -p "$queue" -v cups-pdf:/ -P "$ppd" -E 2>/dev/null || cannot_run "the cups-pdf queue could not be set up"
lpadmin -d "$queue" || cannot_run "the cups-pdf queue could not be made the default"
lpstat -d

# cups-pdf writes into the requesting user's folder named by its configuration (~/PDF by default).
home=$(getent passwd "$(id -un)" | cut -d: -f6)
pdf_dir=$(sed -n 's/^Out[[:space:]]\{1,\}//p' /etc/cups/cups-pdf.conf | tail -n 1)
if [ -z "$pdf_dir" ]; then pdf_dir='${HOME}/PDF'; fi
pdf_dir=$(printf '%s' "$pdf_dir" | sed "s|\${HOME}|$home|; s|\${USER}|$(id -un)|")
mkdir -p "$pdf_dir" 2>/dev/null || true
marker="$work/marker"
touch "$marker"
sleep 1  # a page that arrives is newer than the marker

# The tool under a virtual display. In the variant dialog Space picks the first variant
# (KSY7100-1) and Return is OK; then the main window gets Alt+F, P, and Alt+F, X to end.
# HOME is a fresh folder, so no personal print options choose another queue.
cat >"$work/drive.sh" <<'EOF'
#!/bin/sh
set -eu
"$TOOL" --link sim &
pid=$!
echo "$pid" >"$WORK/tool.pid"
wait_window() {
    i=0
    until win=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [ -n "$win" ]; do
        i=$((i + 1))
        if [ $i -gt 200 ]; then echo "no window \"$1\" appeared" >&2; exit 1; fi
        sleep 0.1
    done
    xdotool windowfocus --sync "$win"
    sleep 0.5
}
wait_window "Welcome to the Evaluation Software"
xdotool key space Return
wait_window "Main Interface Page"
xdotool key alt+f
sleep 0.5
xdotool key p
sleep 2
xdotool key alt+f
sleep 0.5
xdotool key x
wait "$pid"
EOF
chmod +x "$work/drive.sh"
echo "printing from the tool under xvfb-run"
if ! HOME="$work/home" TOOL="$root/build/release/ksy7100-eval" WORK="$work" \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$work/drive.sh"; then
    echo "FAILED: the tool could not be driven" >&2
    exit 1
fi

# Wait for the queue to finish the job and for the page to land.
i=0
printed=""
while [ $i -lt 300 ]; do
    printed=$(find "$pdf_dir" -maxdepth 1 -name '*.pdf' -newer "$marker" 2>/dev/null | head -n 1)
    if [ -n "$printed" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ]; then break; fi
    i=$((i + 1))
    sleep 0.2
done
echo "jobs of the queue:"
lpstat -W completed -o "$queue" || true
if [ -z "$printed" ]; then
    echo "FAILED: no page arrived in $pdf_dir" >&2
    tail -n 20 "$work/log/error_log" >&2
    exit 1
fi

pages=$(pdfinfo "$printed" | sed -n 's/^Pages:[[:space:]]*//p')
mkdir -p "$outdir"
cp "$printed" "$outdir/printed.pdf"
rm -f "$printed"  # the queue's copy: ours, and kept in OUTDIR
pdftoppm -r 100 -png -singlefile "$outdir/printed.pdf" "$outdir/printed"
pdfinfo "$outdir/printed.pdf" | grep -E '^(Title|Pages|Page size):'
echo "page from $printed kept as $outdir/printed.pdf, picture $outdir/printed.png"
if [ "$pages" != 1 ]; then
    echo "FAILED: $pages pages arrived, expected 1" >&2
    exit 1
fi
if ! pdfinfo "$outdir/printed.pdf" | grep -q '^Title:.*KSY7100 Evaluation Software - ksy7100-1 - '; then
    echo "FAILED: the job is not named after the tool, the variant and the time" >&2
    exit 1
fi
echo "OK: one page arrived through the queue $queue"
