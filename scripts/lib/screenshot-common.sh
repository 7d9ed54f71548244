# Shared set-up of the screenshot scripts; sourced, not run. Expects "$1" (optional build
# folder) from the script's own arguments. Sets root, build, program, work (a temporary
# folder removed on exit, with empty drive_c/Windows and drive_d in it) and port (a free
# loopback port for the script's own server).
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${1:-$root/build}"
program="$build/app/sonivo-helper"
[ -x "$program" ] || { echo "build the tool first: $program missing" >&2; exit 1; }

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/drive_c/Windows" "$work/drive_d"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')

# The browser boxes' sandbox refuses to start as root.
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
