#!/usr/bin/env bash
# Sets up the machine, builds and starts the tool.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
SONIVO_BUILD_TESTS=OFF "$top/scripts/build.sh" -DSONIVO_BUILD_TESTS=OFF -DSONIVO_BUILD_BENCH=OFF
exec "$top/build/app/sonivo-helper"
