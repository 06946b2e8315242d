#!/bin/sh
# Builds and runs every test through ctest: the release build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer. Window tests run offscreen. After the release
# tests the Debian package is made from that build and checked (scripts/check_package.sh).
# Usage: scripts/test.sh [release|sanitize]   (default: both)
set -eu
cd "$(dirname "$0")/.."
presets="${1:-release sanitize}"
export QT_QPA_PLATFORM=offscreen
for preset in $presets; do
    echo "== $preset build and tests"
    scripts/build.sh "$preset"
    ctest --preset "$preset"
    if [ "$preset" = release ]; then
        echo "== Debian package"
        scripts/check_package.sh
    fi
done
