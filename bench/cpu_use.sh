#!/bin/bash
# cpu_use.sh GAME SECONDS -- processor time the running SDL2 game takes on the current DISPLAY: started
# from the repository root (so it plays the shipped stage), put into play, then utime + stime read from
# /proc before and after SECONDS of play, as a share of one core.
set -u
game=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$game" &
pid=$!
sleep 3
# Into play: a click on the title (xdotool when there is one; otherwise the title is what is measured).
what="title screen"
if command -v xdotool >/dev/null; then
    xdotool mousemove 480 300 mousedown 1 && sleep 0.1 && xdotool mouseup 1 && what="play"
    sleep 1
fi
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(cpu)
start=$(date +%s.%N)
sleep "$seconds"
after=$(cpu)
end=$(date +%s.%N)
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$start" -v e="$end" -v w="$what" 'BEGIN {
    used = (a - b) / t; wall = e - s;
    printf "Running SDL2 game (%s, 960 x 600, Xvfb): %.2f s of processor time in %.1f s = %.2f%% of one core\n", w, used, wall, 100 * used / wall }'
