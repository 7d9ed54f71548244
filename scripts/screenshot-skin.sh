#!/usr/bin/env bash
# Screenshots of the two preview windows wearing the skin, into docs/screenshots/
# (listen-window.png, cover-window.png). The main window's is screenshot-main.sh's.
#   usage: scripts/screenshot-skin.sh [build folder, default build]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${BUILD_DIR:-$top/build}}"
cmake --build "$build" --target skin_screenshots
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/drive_c/Windows" "$work/drive_d" "$top/docs/screenshots"
SONIVO_DRIVE_C="$work/drive_c" SONIVO_DRIVE_D="$work/drive_d" \
  SONIVO_SCREENSHOT_DIR="$top/docs/screenshots" \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tests/skin/skin_screenshots"
