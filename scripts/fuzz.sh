#!/bin/sh
# Fuzzes the settings-file reader with libFuzzer for a bounded time, after installing clang
# when it is missing. It starts from the corpus kept in fuzz/corpus/settings_reader; inputs that
# reach new code go to build/fuzz/corpus; to keep those that add coverage in the kept corpus
# (whose every file the ordinary test run replays), run afterwards
#   build/fuzz/settings_reader_fuzz -merge=1 fuzz/corpus/settings_reader build/fuzz/corpus
# An input that breaks a rule of the target is saved as build/fuzz/crash-* and the script exits
# non-zero.
# Usage: scripts/fuzz.sh [seconds]   (default 60)
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
case "$seconds" in
    ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [seconds]" >&2; exit 2 ;;
esac
scripts/setup.sh clang libclang-rt-dev
cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz
mkdir -p build/fuzz/corpus
cd build/fuzz
exec ./settings_reader_fuzz -max_total_time="$seconds" -timeout=10 -max_len=4096 \
    -dict=../../fuzz/settings_reader.dict -artifact_prefix=./ -print_final_stats=1 \
    corpus ../../fuzz/corpus/settings_reader
