#!/usr/bin/env bash
# Runs every fuzz target of a KELP_FUZZ build for a bounded time each, starting from its
# seeds and regression inputs, and fails when one finds a crash, a leak or an input that
# takes too long. What a target finds goes to BUILD/fuzz-findings/<target>/; keep it in
# tests/fuzz/regressions/<target>/ once the fault is mended.
#   tests/fuzz/run_fuzzers.sh BUILD-FUZZ SECONDS-PER-TARGET [TARGET...]
set -uo pipefail
build="$1"
seconds="$2"
shift 2
here="$(cd "$(dirname "$0")" && pwd)"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$here"/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp | sed 's/^fuzz_//')"); done
fi
# Each input becomes files: a memory-backed folder keeps that from being disk-bound.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# Targets run side by side, KELP_FUZZ_JOBS at a time (2 by default): each is one process on one core.
jobs="${KELP_FUZZ_JOBS:-2}"
run_target() {
  local t="$1" work="$build/fuzz-corpus/$1" findings="$build/fuzz-findings/$1"
  mkdir -p "$work" "$findings"
  local inputs=("$here/corpus/$t")
  [ -d "$here/regressions/$t" ] && inputs+=("$here/regressions/$t")
  TIMEFORMAT='%U %S'
  { time "$build/tests/fuzz/fuzz_$t" "$work" "${inputs[@]}" \
      -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" >"$build/fuzz-$t.log" 2>&1; } 2>"$build/fuzz-$t.time"
  echo $? >"$build/fuzz-$t.status"
}
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  rm -f "$build/fuzz-$t.status"
  run_target "$t" &
done
wait
failed=()
for t in "${targets[@]}"; do
  status=$(cat "$build/fuzz-$t.status" 2>/dev/null || echo 1)
  cpu=$(awk '{printf "%.0f", $1 + $2}' "$build/fuzz-$t.time")
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/fuzz-$t.log" | grep -o '[0-9]*$')
  echo "fuzz_$t: ${runs:-0} runs, ${cpu} s of CPU, exit $status"
  printf '%s\t%s\t%s\t%s\n' "$t" "$cpu" "${runs:-0}" "$status" >>"$build/fuzz-cpu.tsv"
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    grep -m1 -E 'ERROR|SUMMARY|Test unit written' "$build/fuzz-$t.log" || true
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets that found faults: ${failed[*]} (logs in $build/fuzz-<target>.log)"
  exit 1
fi
