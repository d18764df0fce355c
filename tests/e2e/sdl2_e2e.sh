#!/usr/bin/env bash
# sdl2_e2e.sh -- the SDL2 build in a private Xvfb, driven by real X input: the title screen equals the
# headless picture, a held click starts the stage, a shot spends a shell, Escape returns to the title,
# SIGTERM ends the game with status 0; with no display it says so and fails cleanly.
# Use: sdl2_e2e.sh GAME SCREEN_REFERENCE [SCREENSHOT_DIR]
set -u
game=$1
reference=$2
shots=${3:-}

. "$(dirname "$0")/x11_harness.sh"
e2e_begin sdl2 Xvfb xdotool xwd convert timeout

# No display: one clear line and a non-zero status, at once.
out=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy timeout 20 "$game" 2>&1)
code=$?
[ "$code" != 0 ] && [ "$code" != 124 ] || fail "without a display the game ended with status $code"
echo "$out" | grep -q "cannot open a window" || fail "without a display it said: $out"
echo "sdl2: no display: status $code, '$(echo "$out" | grep "cannot open a window")'"

"$reference" title "$work/expected-title.ppm" || fail "no headless reference picture"
e2e_start_xvfb

# From an empty folder, so the built-in stage is played; no sound card here, so the dummy driver.
mkdir -p "$work/run"
(cd "$work/run" && SDL_AUDIODRIVER=dummy timeout 120 "$game" >"$work/run.log" 2>&1; echo $? >"$work/status") &
game_pid=$!
win=
for _ in $(seq 1 100); do
  win=$(xdotool search --name '^Shotgun-Kalvoro$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && break
  [ -f "$work/status" ] && fail "the game ended before its window appeared: $(cat "$work/run.log")"
  sleep 0.2
done
[ -n "$win" ] || fail "no window named Shotgun-Kalvoro appeared"
WIDTH=0 HEIGHT=0 X=0 Y=0 SCREEN=0 WINDOW=0
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 960 ] && [ "$HEIGHT" = 600 ] || fail "client area is ${WIDTH}x${HEIGHT}, expected 960x600"
win_x=$X
win_y=$Y
echo "sdl2: window $win, client 960x600 at ($X, $Y)"
xdotool windowfocus --sync "$win" 2>/dev/null

TITLE_CHECK=(compare "$work/expected-title.ppm" SHOT 168 175)
e2e_await_picture title "${TITLE_CHECK[@]}" || fail "the title screen differs from the headless picture"
e2e_save_png title sdl2-title.png

e2e_click 480 300
e2e_await_picture play colour SHOT 8 8 13 13 D0DC78 || fail "a held click did not start the stage"
"$reference" colour "$work/play.ppm" 18 8 23 13 D0DC78 || fail "the second shell is missing"

# Aimed straight up from the player (logical x 56): no recoil, one shell spent.
sleep 0.4
e2e_click 168 30
e2e_await_picture shot colour SHOT 18 8 23 13 7C807B || fail "a click in play did not spend a shell"
"$reference" colour "$work/shot.ppm" 8 8 13 13 D0DC78 || fail "the first shell went too"
e2e_save_png shot sdl2-play.png

# Escape held (the keyboard repeats it) and released: the title it brought up stays.
xdotool keydown Escape
e2e_await_picture back "${TITLE_CHECK[@]}" || fail "Escape did not return to the title screen"
sleep 0.6
xdotool keyup Escape
sleep 0.3
e2e_await_picture still "${TITLE_CHECK[@]}" || fail "the Escape that opened the title also started a stage"

# SDL turns SIGTERM into its quit event, the same path as closing the window.
pkill -TERM -f "^$game\$" || fail "the game process was not found"
e2e_wait_exit
[ "$status" = 0 ] || fail "SIGTERM ended the game with status $status"
echo "sdl2: SIGTERM: exit status 0"
echo "sdl2: PASS"
