#!/bin/sh
# Configures and builds one preset (release or sanitize) after installing what is missing.
# Usage: scripts/build.sh [release|sanitize]
set -eu
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
