#!/usr/bin/env bash
# Checks the program as a user gets it: the menu entry and the AppStream description pass
# their validators; an install into a temporary folder holds every file it should, and the
# installed program, started from there under a virtual X server with the source and build
# trees out of reach, shows its main window, takes its working folder and its skin library
# from the installed tree, and ends with exit code 0 when the window is closed. Then builds
# the Debian package and checks its contents and its computed Depends.
#   usage: scripts/check-install.sh [build folder, default build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
id=example.tavex.sonivo_helper

fail() {
  echo "check-install: $*" >&2
  exit 1
}

work="$(mktemp -d)"
case "$work/" in
  "$root/"* | "$build/"*) fail "the temporary folder $work lies inside the trees it must hide" ;;
esac
restore_build=""
cleanup() {
  # A build folder moved aside (when the trees cannot be hidden otherwise) comes back.
  if [ -n "$restore_build" ] && [ -d "$restore_build" ] && [ ! -e "$build" ]; then
    mv "$restore_build" "$build"
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "== validators"
desktop-file-validate "$root/packaging/$id.desktop"
appstreamcli validate --no-net "$root/packaging/$id.metainfo.xml"

echo "== install into a temporary folder"
dest="$work/dest"
DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$work/install.log"
expected=(
  usr/bin/sonivo-helper
  "usr/share/applications/$id.desktop"
  "usr/share/metainfo/$id.metainfo.xml"
  "usr/share/icons/hicolor/scalable/apps/$id.svg"
)
for size in 48 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
if [ -d "$build/app/ruffle" ]; then
  expected+=(usr/share/sonivo-helper/ruffle)
fi
for path in "${expected[@]}"; do
  [ -e "$dest/$path" ] || fail "the install lacks $path"
done
for size in 48 128 256; do
  got=$(identify -format '%wx%h' "$dest/usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
  [ "$got" = "${size}x${size}" ] || fail "the ${size} px icon is $got"
done
installed="$dest/usr/bin/sonivo-helper"
if readelf -d "$installed" | grep -Eq 'RPATH|RUNPATH'; then
  fail "the installed program carries a library path: $(readelf -d "$installed" | grep -E 'RPATH|RUNPATH')"
fi
if ldd "$installed" | grep -q 'not found'; then
  fail "libraries not found: $(ldd "$installed" | grep 'not found')"
fi

echo "== start the installed program with the source and build trees out of reach"
home="$work/home"
mkdir -p "$home"
cp "$root/scripts/lib/close-window.py" "$work/close-window.py"
cat >"$work/start-and-close.sh" <<'DRIVER'
#!/usr/bin/env bash
# Runs inside the virtual X server, after the trees were hidden: $1 the program, $2 the
# folder for results, then the folders that must be out of reach (missing or empty).
set -uo pipefail
program="$1" out="$2"
shift 2
for folder in "$@"; do
  if [ -n "$(ls -A "$folder" 2>/dev/null)" ]; then
    echo "$folder is still within reach" >"$out/failure"
    exit 1
  fi
done
"$program" >"$out/program.log" 2>&1 &
pid=$!
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --onlyvisible --name "Sonivo" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "the main window did not appear within 30 s" >"$out/failure"
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  exit 1
fi
readlink "/proc/$pid/cwd" >"$out/working-folder"
grep -o '/[^ ]*jedata\.dll' "/proc/$pid/maps" | sort -u >"$out/skin-library" || true
python3 "$(dirname "$0")/close-window.py" "$window"
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the program was still running 20 s after its window was closed" >"$out/failure"
  kill -9 "$pid"
fi
wait "$pid"
echo $? >"$out/exit-code"
DRIVER
chmod +x "$work/start-and-close.sh"

# The about page and the player point at a closed loopback port: nothing leaves the machine.
run_env=(env -i PATH="$PATH" HOME="$home" LANG=C.UTF-8
  SONIVO_MAKER_SITE_HOST=127.0.0.1:9 SONIVO_COMMUNITY_HOST=127.0.0.1:9
  SONIVO_PLAYER_HOST=127.0.0.1:9 QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu)
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
if unshare --mount --propagation private true 2>/dev/null; then
  # A private mount namespace lays empty folders over both trees for the program alone
  # (the build folder first: it may lie inside the source tree).
  # shellcheck disable=SC2016 # the inner shell expands its own arguments
  "${run_env[@]}" "${xvfb[@]}" unshare --mount --propagation private \
    bash -c 'mount -t tmpfs none "$1" && mount -t tmpfs none "$2" && shift 2 && exec "$@"' \
    hide "$build" "$root" "$work/start-and-close.sh" "$installed" "$work" "$root" "$build" || true
else
  # Without mount namespaces the build folder is moved aside for the run (the trap puts it
  # back); the source tree stays where it is.
  echo "check-install: no mount namespace; moving the build folder aside for the run" >&2
  restore_build="$build.moved-aside.$$"
  mv "$build" "$restore_build"
  "${run_env[@]}" "${xvfb[@]}" "$work/start-and-close.sh" "$installed" "$work" "$build" || true
  mv "$restore_build" "$build"
  restore_build=""
fi
if [ -e "$work/failure" ] || [ ! -e "$work/exit-code" ]; then
  cat "$work/program.log" >&2 2>/dev/null || true
  fail "$(cat "$work/failure" 2>/dev/null || echo "the run did not finish")"
fi
[ "$(cat "$work/exit-code")" = 0 ] || fail "the program ended with exit code $(cat "$work/exit-code")"
[ "$(cat "$work/working-folder")" = "$dest/usr/bin" ] ||
  fail "working folder $(cat "$work/working-folder"), not the executable's folder $dest/usr/bin"
skin_library="$home/.local/share/sonivo-helper/drive_c/Windows/jedata.dll"
[ "$(cat "$work/skin-library")" = "$skin_library" ] ||
  fail "skin library loaded from '$(cat "$work/skin-library")', not $skin_library"
echo "main window shown, closed, exit code 0; working folder $dest/usr/bin"

echo "== Debian package"
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$work/cpack.log" ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$build/package"/sonivo-helper_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6webenginewidgets6 libqt6widgets6 libcurl4 libicu; do
  case "$depends" in
    *"$library"*) ;;
    *) fail "the package's Depends lack $library: $depends" ;;
  esac
done
contents=$(dpkg-deb -c "$deb")
for path in "${expected[@]}"; do
  grep -q " \./$path" <<<"$contents" || fail "the package lacks $path"
done
echo "$deb: $(stat -c %s "$deb") bytes"
echo "Depends: $depends"
