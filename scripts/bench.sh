#!/bin/sh
# Builds the release preset and runs every benchmark program under bench/.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh release >&2
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for program in build/release/bench/*_bench; do
    echo "== $(basename "$program")"
    "$program" "$@"
done
