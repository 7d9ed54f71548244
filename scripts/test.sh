#!/usr/bin/env bash
# Sets up the machine, checks the layout of the sources, builds with warnings as errors
# and runs every test; checks the installed program and the .deb; then builds everything
# but the GUI with clang, AddressSanitizer and UBSan, runs those tests again, and runs each
# fuzz target from the same build for a bounded time (FUZZ_SECONDS, 20 s by default).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
"$top/scripts/check-format.sh"

"$top/scripts/build.sh" -DSONIVO_WERROR=ON -DSONIVO_BUILD_BENCH=ON
# Some GUI tests want a real X server (the embedded browser); one Xvfb serves them all.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$top/build" --output-on-failure --timeout 300 -j 2
# The installed program, started with the source and build trees out of reach, and the .deb.
timeout 600 "$top/scripts/check-install.sh" "$top/build"

# One sanitizer build serves the tests and the fuzz targets, so CI compiles it once.
asan="$top/build-asan"
CC=clang CXX=clang++ cmake -S "$top" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONIVO_ASAN=ON -DSONIVO_FUZZ=ON -DSONIVO_BUILD_GUI=OFF -DSONIVO_BUILD_BENCH=OFF \
  -DSONIVO_WERROR=ON
cmake --build "$asan" -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$asan" --output-on-failure --timeout 300 -j 2

FUZZ_BUILD_DIR="$asan" "$top/scripts/fuzz.sh"
