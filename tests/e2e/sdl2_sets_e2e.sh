#!/bin/bash
# sdl2_sets_e2e.sh -- a stage set in the SDL2 window under a private Xvfb, driven by real X keys: the title
# shows the stage's line, Right and Left choose the stage (the window's title follows), a start clears,
# the clear screen shows the run's time, the record is in the data folder, and after the window is closed
# and opened again the title shows the best.
# Use: sdl2_sets_e2e.sh GAME SCREEN_REFERENCE [SCREENSHOT_DIR]
set -u
game=$1
reference=$2
shots=${3:-}

. "$(dirname "$0")/x11_harness.sh"
e2e_begin sdl2_sets Xvfb xdotool xwd convert timeout
e2e_start_xvfb

# Two stages whose goal is where the player starts: every start is a clear.
set_dir="$work/run/my set"
mkdir -p "$set_dir"
printf '......\n..G...\n..S...\n######\n' >"$set_dir/1-first-step.txt"
printf '.......\n..G....\n..S....\n#######\n' >"$set_dir/2-second-step.txt"
start() {
  rm -f "$work/status"
  (cd "$work/run" && SDL_AUDIODRIVER=dummy timeout 120 "$game" "my set" >"$work/run.log" 2>&1; echo $? >"$work/status") &
  game_pid=$!
  e2e_find_window 150 'Shotgun-Kalvoro - 1-first-step.txt \(1/2\)'
}
stop() {
  pkill -TERM -f "^$game my set\$" || fail "the game was not found"
  e2e_wait_exit
  [ "$status" = 0 ] || fail "closing the window ended the game with status $status"
}
# The colours of the logical rows $2..$3 of screenshot $1 (the window shows the picture at scale 3).
row_colours() {
  convert "$work/$1.ppm" -crop "960x$((($3 - $2 + 1) * 3))+0+$(($2 * 3))" +repage -format %c histogram:info:-
}

start
# The title's stage line in white, and "NOT CLEARED" in grey under it.
e2e_await_picture title colour SHOT 0 0 319 40 58A4D8 >/dev/null || fail "no title screen"
row_colours title 132 139 | grep -qi "#FFFFFF" || fail "the title shows no stage line"
row_colours title 142 149 | grep -qi "#7C807B" || fail "the title shows no NOT CLEARED line"
e2e_save_png title sets-title.png
xdotool key Right
e2e_await_named 'Shotgun-Kalvoro - 2-second-step.txt \(2/2\)' 50
xdotool key Left
e2e_await_named 'Shotgun-Kalvoro - 1-first-step.txt \(1/2\)' 50
echo "sdl2_sets: title with its stage line; Right and Left chose the stage"

# A start clears at once: the clear screen shows the run's time in white.
xdotool key space
e2e_await_picture clear colour SHOT 0 0 319 40 1D681D >/dev/null || fail "no clear screen"
row_colours clear 108 115 | grep -qi "#FFFFFF" || fail "the clear screen shows no time"
e2e_save_png clear sets-clear.png
progress="$XDG_DATA_HOME/shotgun-kalvoro/progress.txt"
for _ in $(seq 1 25); do
  grep -q " 1 [0-9]* 1 1 1-first-step.txt$" "$progress" 2>/dev/null && break
  sleep 0.2
done
grep -q " 1 [0-9]* 1 1 1-first-step.txt$" "$progress" || fail "no record of the clear: $(cat "$progress" 2>&1)"
echo "sdl2_sets: a clear with its time; kept: $(grep first-step "$progress")"
stop

# Opened again: the title shows the best (yellow) where it said NOT CLEARED.
start
e2e_await_picture again colour SHOT 0 0 319 40 58A4D8 >/dev/null || fail "no title screen after the restart"
for _ in $(seq 1 25); do
  row_colours again 142 149 | grep -qi "#D0DC78" && break
  sleep 0.2
  e2e_shoot again
done
row_colours again 142 149 | grep -qi "#D0DC78" || fail "the title shows no best after the restart"
stop
echo "sdl2_sets: PASS"
