#!/usr/bin/env bash
# Screenshots of the main window and the two preview windows wearing the skin, into
# docs/screenshots/ (main-window.png, listen-window.png, cover-window.png).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
cmake --build "$build" --target skin_screenshots
drive_c="$(mktemp -d)"
trap 'rm -rf "$drive_c"' EXIT
mkdir -p "$drive_c/Windows" "$top/docs/screenshots"
SONIVO_DRIVE_C="$drive_c" SONIVO_SCREENSHOT_DIR="$top/docs/screenshots" \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/skin/skin_screenshots"
