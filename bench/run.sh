#!/bin/bash
# run.sh BUILD [REPETITIONS] -- runs the benchmarks of BUILD (medians of repetitions), the SDL2 one under
# a private Xvfb when there is one, measures the running game's processor use and the browser page's
# weight and time to its first picture, and prints the table.
set -u
build=${1:?usage: run.sh BUILD [REPETITIONS]}
reps=${2:-5}
cpu_seconds=${BENCH_CPU_SECONDS:-30}
here=$(cd "$(dirname "$0")" && pwd)
out=$build/bench-results
mkdir -p "$out"
rm -f "$out"/*.json "$out"/web.txt

# Repetitions of all benchmarks interleaved in random order, so a busy spell of the machine spreads
# over all of them instead of spoiling one (the floor above all, which every ratio divides by).
common=(--benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true
    --benchmark_report_aggregates_only=true --benchmark_out_format=json)
"$build/bench/kalvoro_bench" "${common[@]}" --benchmark_out="$out/headless.json" || exit 1

xvfb_pid=
stop_xvfb() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; xvfb_pid=; }
trap stop_xvfb EXIT
# A private X server big enough for the largest client; Xvfb picks a free display number.
start_xvfb() {
    local fifo
    fifo=$(mktemp)
    Xvfb -displayfd 3 -screen 0 3840x2160x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$fifo" ] && break
        sleep 0.1
    done
    local display=
    [ -s "$fifo" ] && display=$(head -n 1 "$fifo")
    rm -f "$fifo"
    [ -n "$display" ] && export DISPLAY=:$display
}

if [ -x "$build/bench/kalvoro_bench_sdl2" ] && command -v Xvfb >/dev/null && start_xvfb; then
    SDL_AUDIODRIVER=dummy "$build/bench/kalvoro_bench_sdl2" "${common[@]}" --benchmark_out="$out/sdl2.json"
    if [ -x "$build/shotgun-kalvoro" ] && [ "$cpu_seconds" -gt 0 ]; then
        bash "$here/cpu_use.sh" "$build/shotgun-kalvoro" "$cpu_seconds" | tee "$out/cpu.txt"
    fi
    stop_xvfb
else
    echo "SDL2 presentation and processor use not measured: no Xvfb or no SDL2 build"
fi

# The browser page's weight and time to its first picture, when it and Node.js are there.
if command -v node >/dev/null; then
    node "$here/web_page.mjs" "${BENCH_WEB_DIR:-$here/../build-web}" "$reps" | tee "$out/web.txt"
fi

echo
python3 "$here/report.py" "$out"/*.json | tee "$out/table.md"
[ -f "$out/cpu.txt" ] && cat "$out/cpu.txt"
[ -f "$out/web.txt" ] && cat "$out/web.txt"
exit 0
