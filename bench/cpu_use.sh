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
window=$(command -v xdotool >/dev/null && xdotool search --name Shotgun-Kalvoro 2>/dev/null | head -n 1)
if [ -n "$window" ]; then
    # Held over several frames: the game polls the button once a frame.
    xdotool mousemove --window "$window" 480 300 mousedown 1 && sleep 0.1 && xdotool mouseup 1 && what="play"
    sleep 1
fi
ticks=$(getconf CLK_TCK)
# utime + stime of the whole process, and of its main thread alone (the rest are the driver's threads).
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
main_cpu() { awk '{print $14 + $15}' "/proc/$pid/task/$pid/stat"; }
before=$(cpu)
main_before=$(main_cpu)
start=$(date +%s.%N)
sleep "$seconds"
after=$(cpu)
main_after=$(main_cpu)
end=$(date +%s.%N)
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
awk -v b="$before" -v a="$after" -v mb="$main_before" -v ma="$main_after" -v t="$ticks" -v s="$start" \
    -v e="$end" -v w="$what" 'BEGIN {
    used = (a - b) / t; wall = e - s; main = (ma - mb) / t;
    printf "Running SDL2 game (%s, 960 x 600, Xvfb): %.2f s of processor time in %.1f s = %.2f%% of one core", w, used, wall, 100 * used / wall;
    printf " (main thread %.2f%%)\n", 100 * main / wall }'
