#!/bin/sh
# Builds the tool if needed and starts it; arguments go to the tool (see --help).
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh release >&2
exec build/release/ksy7100-eval "$@"
