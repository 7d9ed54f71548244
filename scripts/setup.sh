#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the screenshots need, and
# fetches the pinned Flash player emulator (Ruffle) from the npm registry into .deps/.
# Safe to run again: apt-get skips what is already there, and a package already fetched
# and checked is not fetched again, so later runs work offline.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang clang-format-16 libclang-rt-dev
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools
  qt6-webengine-dev qt6-webengine-dev-tools libqt6webenginewidgets6 libqt6opengl6-dev
  qt6-image-formats-plugins libgl-dev libxkbcommon-dev
  libcurl4-openssl-dev libssl-dev libicu-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  xvfb xauth xdotool imagemagick fonts-wqy-microhei
  librsvg2-bin desktop-file-utils appstream dpkg-dev file
  nodejs
)
# Debian's nodejs comes without npm; a nodejs from elsewhere may carry its own.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -q
  $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Ruffle: the npm package, its tarball checked against the registry's pinned integrity
# value, unpacked into .deps/ruffle-<version>/; the build copies the files it needs.
top="$(cd "$(dirname "$0")/.." && pwd)"
ruffle_version=0.6.0
ruffle_integrity='sha512-P2X1zDENBoiLt2ZjPcsUzaDxoR7fVF2e1U/bi7hbIAQEjkykxljSoG8AgbywHvlVVzL9Y5tIZMRqDwIm31jgPA=='
deps="$top/.deps"
tarball="$deps/ruffle-rs-ruffle-$ruffle_version.tgz"
unpacked="$deps/ruffle-$ruffle_version"

integrity_of() {
  node -e 'const c = require("crypto"), fs = require("fs");
    process.stdout.write("sha512-" + c.createHash("sha512").update(fs.readFileSync(process.argv[1])).digest("base64"));' "$1"
}

mkdir -p "$deps"
if [ ! -f "$tarball" ] || [ "$(integrity_of "$tarball")" != "$ruffle_integrity" ]; then
  fetch="$(mktemp -d "$deps/fetch.XXXXXX")"
  (cd "$fetch" && npm pack "@ruffle-rs/ruffle@$ruffle_version" --silent >/dev/null)
  if [ "$(integrity_of "$fetch/ruffle-rs-ruffle-$ruffle_version.tgz")" != "$ruffle_integrity" ]; then
    rm -rf "$fetch"
    echo "setup: @ruffle-rs/ruffle@$ruffle_version does not match its pinned integrity" >&2
    exit 1
  fi
  mv "$fetch/ruffle-rs-ruffle-$ruffle_version.tgz" "$tarball"
  rm -rf "$fetch" "$unpacked"
fi
if [ ! -f "$unpacked/.unpacked" ]; then
  rm -rf "$unpacked"
  mkdir -p "$unpacked"
  tar -xzf "$tarball" -C "$unpacked" --strip-components=1
  touch "$unpacked/.unpacked"
fi
