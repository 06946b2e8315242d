#!/bin/sh
# Fuzzes the tool's fuzz targets with libFuzzer for a bounded time each, after installing clang
# when it is missing: settings_reader (the settings-file reader) and command_language (the command
# language on the simulated board). Each starts from the corpus kept in fuzz/corpus/TARGET; inputs
# that reach new code go to build/fuzz/corpus/TARGET; to keep those that add coverage in the kept
# corpus (whose every file the ordinary test run replays), run afterwards
#   build/fuzz/TARGET_fuzz -merge=1 fuzz/corpus/TARGET build/fuzz/corpus/TARGET
# An input that breaks a rule of a target is saved as build/fuzz/crash-* and the script exits
# non-zero.
# Usage: scripts/fuzz.sh [TARGET] [seconds]   (default: every target in turn, 60 seconds each)
set -eu
cd "$(dirname "$0")/.."
targets="settings_reader command_language"
case "${1:-}" in
    settings_reader|command_language) targets="$1"; shift ;;
esac
seconds="${1:-60}"
case "$seconds" in
    ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [settings_reader|command_language] [seconds]" >&2; exit 2 ;;
esac
scripts/setup.sh clang libclang-rt-dev
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz
cd build/fuzz
for target in $targets; do
    echo "== $target, $seconds s"
    mkdir -p "corpus/$target"
    ./"${target}_fuzz" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
        -dict="../../fuzz/$target.dict" -artifact_prefix=./ -print_final_stats=1 \
        "corpus/$target" "../../fuzz/corpus/$target"
done
