#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, ASan and UBSan into build-fuzz/
# (or $FUZZ_BUILD_DIR) and runs each for a bounded time from its seed corpus.
#
#   scripts/fuzz.sh [target ...]      all targets when none is named
#   FUZZ_SECONDS=60 scripts/fuzz.sh   time per target (default 20 s)
#
# Fails when any target reports a crash, a leak, undefined behaviour or a broken
# property; the input that did it is kept under build-fuzz/findings/<target>/. Prints per
# target the inputs run and the coverage reached (libFuzzer's cov and ft).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$top/build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONIVO_FUZZ=ON -DSONIVO_BUILD_GUI=OFF -DSONIVO_BUILD_BENCH=OFF \
  -DSONIVO_WERROR=ON >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for source in "$top"/tests/fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# One target per core at a time: each run is bounded by its own clock, so the whole run
# takes about FUZZ_SECONDS x targets / cores.
run_target() {
  local target="$1"
  local seeds="$top/tests/fuzz/corpus/$target"
  # Inputs found along the way go to a working corpus; the seeds in the tree stay as they are.
  local work="$build/corpus/$target"
  local findings="$build/findings/$target"
  local log="$build/logs/$target.log"
  mkdir -p "$work" "$findings" "$(dirname "$log")"
  local status=0
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds" \
    >"$log" 2>&1 || status=$?
  echo "$status" >"$log.status"
}

jobs="$(nproc)"
for target in "${targets[@]}"; do
  echo "== $target: ${seconds}s"
  run_target "$target" &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
done
wait

failed=()
summary=""
for target in "${targets[@]}"; do
  log="$build/logs/$target.log"
  status="$(cat "$log.status")"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  last="$(grep -E '^#[0-9]+' "$log" | tail -1 || true)"
  cov="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
  ft="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
  if [ "$status" -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|property broken' "$log"; then
    failed+=("$target")
    verdict="FINDING (see $log)"
    grep -E 'ERROR:|runtime error:|property broken|SUMMARY|Test unit written' "$log" | head -8 || true
  else
    verdict="no findings"
  fi
  summary+="$(printf '%-22s runs %-10s cov %-6s ft %-6s %s' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$verdict")"$'\n'
done

echo
printf '%s' "$summary"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
