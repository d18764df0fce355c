#!/usr/bin/env bash
# flake-check.sh -- runs the end-to-end tests again and again beside a loaded machine and counts the
# failures of each: a test that fails once in N runs is a flaky test. The load is a clean parallel
# build of the game's core in a scratch folder, over and over, for as long as the runs last.
# Use: flake_check.sh BUILD_DIR RUNS TEST...   (TEST: a ctest name, matched whole)
set -u
build=$1
runs=$2
shift 2
tests=("$@")
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
logs=$build/flake-check
mkdir -p "$logs"
load_pid=

stop_load() {
  # The load runs in its own process group (set -m): end the whole build, not just its shell.
  [ -n "$load_pid" ] && kill -- "-$load_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap stop_load EXIT

cmake -S "$root" -B "$scratch" -DCMAKE_BUILD_TYPE=Release >/dev/null || { echo "flake-check: cannot configure the load build" >&2; exit 2; }
jobs=$(nproc 2>/dev/null || echo 2)
set -m
(while :; do cmake --build "$scratch" --target kalvoro_core --clean-first -j "$jobs" >/dev/null 2>&1; done) &
load_pid=$!
set +m
echo "flake-check: $runs runs of ${tests[*]}, beside a clean build of kalvoro_core with -j $jobs looping in $scratch"

declare -A failed seconds
for t in "${tests[@]}"; do
  failed[$t]=0
  seconds[$t]=0
done
begin=$(date +%s)
for ((run = 1; run <= runs; run++)); do
  for t in "${tests[@]}"; do
    start=$(date +%s)
    if ctest --test-dir "$build" -R "^$t\$" --output-on-failure >"$logs/$t.$run.log" 2>&1 &&
      grep -q "100% tests passed" "$logs/$t.$run.log"; then
      rm -f "$logs/$t.$run.log"
    else
      failed[$t]=$((failed[$t] + 1))
      echo "flake-check: run $run: $t FAILED (log: $logs/$t.$run.log)"
      grep -m 3 -E "FAIL|not ok|Failure" "$logs/$t.$run.log" | sed 's/^/    /'
    fi
    seconds[$t]=$((seconds[$t] + $(date +%s) - start))
  done
  echo "flake-check: run $run of $runs done after $(($(date +%s) - begin)) s; load average $(cut -d' ' -f1-3 /proc/loadavg)"
done

status=0
echo "flake-check: failures per test in $runs runs (load: clean builds of kalvoro_core, -j $jobs)"
for t in "${tests[@]}"; do
  printf '  %-22s %3d of %d failed, %5.1f s a run on average\n' "$t" "${failed[$t]}" "$runs" \
    "$(echo "${seconds[$t]} $runs" | awk '{ print $1 / $2 }')"
  [ "${failed[$t]}" = 0 ] || status=1
done
exit $status
