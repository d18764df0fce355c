#!/usr/bin/env bash
# run.sh -- runs every fuzz target side by side for SECONDS each, starting from its checked-in seed
# corpus (fuzz/corpus/<target>); new inputs go to BUILD/corpus-<target>, crashes to BUILD/artifacts.
# usage: fuzz/run.sh BUILD SECONDS
set -u
if [ $# -ne 2 ]; then
  echo "usage: fuzz/run.sh BUILD SECONDS" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
mkdir -p "$build/artifacts"
pids=()
names=()
for target in stage stage_link run replay_script; do
  exe="$build/fuzz_$target"
  if [ ! -x "$exe" ]; then
    echo "fuzz: fuzz_$target is not built (its sources are missing); skipped"
    continue
  fi
  mkdir -p "$build/corpus-$target"
  # Each input must finish within 10 s and the process stay under 2 GB: a hang or a leak is a failure.
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$build/corpus-$target" "$seeds/$target" \
    >"$build/fuzz-$target.log" 2>&1 &
  pids+=($!)
  names+=("$target")
done
passed=0
failed=0
for i in "${!pids[@]}"; do
  name=${names[$i]}
  log="$build/fuzz-$name.log"
  if wait "${pids[$i]}"; then
    passed=$((passed + 1))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
    corpus=$(ls "$build/corpus-$name" | wc -l)
    echo "fuzz: $name: $runs inputs in $seconds s, peak $rss MB, $corpus inputs kept in $build/corpus-$name"
  else
    failed=$((failed + 1))
    echo "fuzz: $name FAILED; the input that broke it is in $build/artifacts/ (log: $log)"
    grep -E "ERROR|runtime error|fuzz_$name:|SUMMARY|Test unit written" "$log" | head -20
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
