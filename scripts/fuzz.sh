#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for FUZZ_SECONDS seconds each and prints one line
# per target:  fuzz: NAME EXECS execs CRASHES crashes
# Each run starts its target's corpus afresh in the build folder, from the target's seeds
# and the inputs kept under tests/data/fuzz/NAME: a corpus grown over many runs makes every
# run slower (fork mode merges each worker's finds into it), and the inputs that matter are
# kept anyway. An input that
# crashes, leaks, times out or trips a sanitizer is copied to tests/data/fuzz/NAME/, where
# the normal test run replays it. Exits non-zero when any target failed.
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
# One worker process per core (libFuzzer's fork mode), which merges what each finds; OOMs
# and timeouts count as failures there too.
workers=${FUZZ_WORKERS:-$(nproc)}
parallel=()
if [ "$workers" -gt 1 ]; then
  parallel=(-fork="$workers" -ignore_ooms=0 -ignore_timeouts=0)
fi
kept=tests/data/fuzz
failed=0

for binary in "$build"/fuzz/fuzz_*; do
  [ -x "$binary" ] && [ -f "$binary" ] || continue
  name=${binary##*/fuzz_}
  work="$build/fuzz/run/$name"
  corpus="$work/corpus"
  artifacts="$work/artifacts"
  rm -rf "$artifacts" "$corpus"
  mkdir -p "$corpus" "$artifacts" "$kept/$name"
  while IFS= read -r seed; do
    [ -n "$seed" ] && cp -f "$seed" "$corpus/"
  done < "$binary.seeds"
  cp -f "$kept/$name"/* "$corpus/" 2>/dev/null || true
  read -r -a extra < "$binary.args" || true

  # Leaks are checked too; UBSan reports abort and so count as crashes. The inputs are
  # small and short-lived: a small quarantine and no allocation stacks keep the sanitizer's
  # cost near the parser's own without hiding any report (the kept input replayed by
  # `make sanitize` shows the full report).
  ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=16:malloc_context_size=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$binary" "${extra[@]}" "${parallel[@]}" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
      > "$work/log" 2>&1
  status=$?

  if [ "${#parallel[@]}" -gt 0 ]; then  # the parent's "#N:" lines count every worker's runs
    execs=$(grep -oE '^#[0-9]+:' "$work/log" | tr -d '#:' | tail -1)
  else
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' | tail -1)
  fi
  crashes=$(find "$artifacts" -type f | wc -l)
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then
    crashes=1  # died without leaving its input behind
  fi
  for input in "$artifacts"/*; do
    [ -f "$input" ] && cp -f "$input" "$kept/$name/"
  done
  echo "fuzz: $name ${execs:-0} execs $crashes crashes"
  if [ "$crashes" -ne 0 ]; then
    failed=1
    echo "fuzz: $name failed; see $work/log, kept input in $kept/$name/" >&2
    grep -m 20 -E 'ERROR|runtime error|check failed|SUMMARY' "$work/log" >&2 || true
  fi
done
exit "$failed"
