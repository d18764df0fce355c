#!/usr/bin/env bash
# sdl2_e2e.sh -- the SDL2 build in a private Xvfb, driven by real X input: the window carries the game's
# icon, the title screen equals the headless picture, a quick click (down and up between two frames)
# starts the stage and one in play spends a shell, clicks outside the window or on a focused other window
# spend nothing, a quick Space starts a stage, the arrow hides over the picture and shows over the
# borders, the crosshair follows the pointer after the window moves, Escape returns to the title, F11 and
# Alt+Enter toggle fullscreen without starting a stage, SIGTERM ends the game with status 0; with no
# display it says so and fails cleanly; a stage file given as the argument names the window, and one that
# cannot be used is said so on stderr and in the title.
# Use: sdl2_e2e.sh GAME SCREEN_REFERENCE [SCREENSHOT_DIR]
set -u
game=$1
reference=$2
shots=${3:-}

. "$(dirname "$0")/x11_harness.sh"
e2e_begin sdl2 Xvfb xdotool xwd xprop convert timeout

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
e2e_find_window 150
[ "$win_w" = 960 ] && [ "$win_h" = 600 ] || fail "client area is ${win_w}x${win_h}, expected 960x600"
echo "sdl2: window $win, client 960x600 at ($win_x, $win_y)"

# The window carries the game's icon, pixel for pixel as the game draws it.
icon=$(xprop -id "$win" -notype -f _NET_WM_ICON 32c _NET_WM_ICON | sed 's/^_NET_WM_ICON = //')
[ "$icon" = "$("$reference" icon 64)" ] || fail "the window's icon is not the game's: ${icon:0:60}"
echo "sdl2: _NET_WM_ICON is the game's 64 x 64 icon"

TITLE_CHECK=(compare "$work/expected-title.ppm" SHOT 168 175)
e2e_await_picture title "${TITLE_CHECK[@]}" || fail "the title screen differs from the headless picture"
# SDL can replace its window while it sets up the picture (a renderer tried and dropped), later than a
# second on a loaded machine; once a picture shows, the set-up is over, so the window is looked up again.
e2e_find_window 50
xdotool windowfocus --sync "$win" 2>/dev/null
e2e_save_png title sdl2-title.png

e2e_tap 480 300
e2e_await_picture play colour SHOT 8 8 13 13 D0DC78 || fail "a quick click did not start the stage"
"$reference" colour "$work/play.ppm" 18 8 23 13 D0DC78 || fail "the second shell is missing"

# The X server's cursor image where the pointer is: "empty" or "arrow".
cursor_shape() {
  local line
  line=$("$KALVORO_CURSOR_PROBE") || fail "cursor_probe failed"
  case "$line" in
  *" visible 0") echo empty ;;
  *) echo arrow ;;
  esac
}

# Clicks that are not the game's: on the desktop beside the window, and on another window that has
# the focus (a press that began outside is no press either). Both shells stay.
sleep 0.4
e2e_click 1000 300
xlogo -geometry 80x80+1190+700 >/dev/null 2>&1 &
other_pid=$!
other=
for _ in $(seq 1 50); do
  other=$(xdotool search --name '^xlogo$' 2>/dev/null | head -n 1)
  [ -n "$other" ] && break
  sleep 0.1
done
[ -n "$other" ] || fail "the second window did not appear"
xdotool windowfocus --sync "$other"
xdotool mousemove 1230 740 mousedown 1 sleep 0.1 mousemove $((win_x + 480)) $((win_y + 300)) sleep 0.1 mouseup 1
xdotool mousemove 1230 740 mousedown 1 sleep 0.1 mouseup 1
sleep 0.5
e2e_shoot outside
"$reference" colour "$work/outside.ppm" 8 8 13 13 D0DC78 && "$reference" colour "$work/outside.ppm" 18 8 23 13 D0DC78 ||
  fail "a click outside the window spent a shell"
kill "$other_pid" 2>/dev/null
wait "$other_pid" 2>/dev/null
xdotool windowfocus --sync "$win"
echo "sdl2: clicks beside the window and on a focused other window: both shells kept"

if [ -n "${KALVORO_CURSOR_PROBE:-}" ]; then
  xdotool mousemove $((win_x + 480)) $((win_y + 300))
  sleep 0.3
  [ "$(cursor_shape)" = empty ] || fail "the desktop's arrow shows over the picture in play"
  echo "sdl2: cursor over the picture in play: $("$KALVORO_CURSOR_PROBE")"
fi

# Aimed straight up from the player (logical x 56): no recoil, one shell spent.
sleep 0.4
e2e_tap 168 30
e2e_await_picture shot colour SHOT 18 8 23 13 7C807B || fail "a quick click in play did not spend a shell"
"$reference" colour "$work/shot.ppm" 8 8 13 13 D0DC78 || fail "the first shell went too"
e2e_save_png shot sdl2-play.png

# The window moved (no window manager: SDL is not told where it went), then the pointer: the crosshair
# (white, 4 px each side) lands under the pointer at client (600, 240), logical (200, 80).
xdotool windowmove --sync "$win" 100 60
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$win")"
win_x=$X
win_y=$Y
[ "$win_x" = 100 ] && [ "$win_y" = 60 ] || fail "the window did not move (at $X, $Y)"
xdotool mousemove $((win_x + 600)) $((win_y + 240))
e2e_await_picture moved colour SHOT 196 80 204 80 FFFFFF || fail "after the window moved the crosshair is not under the pointer"

# A wider window: black borders left and right; the arrow shows over them only.
if [ -n "${KALVORO_CURSOR_PROBE:-}" ]; then
  xdotool windowsize --sync "$win" 1000 600
  sleep 0.3
  xdotool mousemove $((win_x + 8)) $((win_y + 300))
  sleep 0.3
  [ "$(cursor_shape)" = arrow ] || fail "no arrow over the black border"
  echo "sdl2: cursor over the border: $("$KALVORO_CURSOR_PROBE")"
  xdotool mousemove $((win_x + 500)) $((win_y + 300))
  sleep 0.3
  [ "$(cursor_shape)" = empty ] || fail "the arrow shows over the picture in a wider window"
  xdotool windowsize --sync "$win" 960 600
  sleep 0.3
fi

# Escape held (the keyboard repeats it) and released: the title it brought up stays.
xdotool keydown Escape
e2e_await_picture back "${TITLE_CHECK[@]}" || fail "Escape did not return to the title screen"
sleep 0.6
xdotool keyup Escape
sleep 0.3
e2e_await_picture still "${TITLE_CHECK[@]}" || fail "the Escape that opened the title also started a stage"

# The whole screen brought to the 960 x 600 of the reference: nearest sampling of whole blocks.
shoot_screen() {
  xwd -root -silent >"$work/root.xwd" &&
    convert "xwd:$work/root.xwd" -sample '320x200!' -sample '960x600!' "$work/$1.ppm"
}
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$win")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}
windowed=$(geometry)
e2e_key F11
for _ in $(seq 1 25); do
  [ "$(geometry)" = "1280x800+0+0" ] && break
  sleep 0.2
done
[ "$(geometry)" = "1280x800+0+0" ] || fail "F11 left the window at $(geometry), not over the 1280x800 screen"
sleep 0.5
shoot_screen full
"$reference" compare "$work/expected-title.ppm" "$work/full.ppm" 168 175 ||
  fail "fullscreen does not show the title scaled up (or F11 started a stage)"
e2e_save_png full sdl2-fullscreen.png
echo "sdl2: F11: window $(geometry), the title scaled by 4"
xdotool keydown alt key Return keyup alt
for _ in $(seq 1 25); do
  [ "$(geometry)" = "$windowed" ] && break
  sleep 0.2
done
[ "$(geometry)" = "$windowed" ] || fail "Alt+Enter left the window at $(geometry), not back at $windowed"
win_x=$X
win_y=$Y
sleep 0.3
e2e_await_picture windowed "${TITLE_CHECK[@]}" || fail "after Alt+Enter the title is gone (a stage started?)"
echo "sdl2: Alt+Enter: back to $windowed, still the title"
xdotool key space
e2e_await_picture spaced colour SHOT 8 8 13 13 D0DC78 || fail "a quick Space on the title did not start the stage"
echo "sdl2: quick click, quick click in play and quick Space: each seen once"

# SDL turns SIGTERM into its quit event, the same path as closing the window.
pkill -TERM -f "^$game\$" || fail "the game process was not found"
e2e_wait_exit
[ "$status" = 0 ] || fail "SIGTERM ended the game with status $status"
echo "sdl2: SIGTERM: exit status 0"

# A stage file as the one argument: the window is named after it. More than one is refused.
out=$(cd "$work/run" && SDL_AUDIODRIVER=dummy timeout 20 "$game" a b 2>&1)
code=$?
[ "$code" = 2 ] && echo "$out" | grep -q "shotgun-kalvoro \[STAGE_FILE\]" ||
  fail "two arguments: status $code, '$out'"
printf 'S      G\n########\n' >"$work/run/tiny stage.txt"
rm -f "$work/status"
(cd "$work/run" && SDL_AUDIODRIVER=dummy timeout 120 "$game" "tiny stage.txt" >"$work/run.log" 2>&1; echo $? >"$work/status") &
game_pid=$!
e2e_await_named '^Shotgun-Kalvoro - tiny stage.txt$' 100
echo "sdl2: stage argument: window '$(xdotool getwindowname "$win")'"
pkill -TERM -f "^$game tiny stage.txt\$" || fail "the game with a stage argument was not found"
e2e_wait_exit
[ "$status" = 0 ] || fail "the game with a stage argument ended with status $status"
# A stage file that cannot be used: one line on stderr, and the window says the built-in stage plays.
rm -f "$work/status"
(cd "$work/run" && SDL_AUDIODRIVER=dummy timeout 120 "$game" /nonexistent/x.txt >"$work/run.log" 2>&1; echo $? >"$work/status") &
game_pid=$!
e2e_await_named '^Shotgun-Kalvoro - x.txt' 100
[ "$(xdotool getwindowname "$win")" = "Shotgun-Kalvoro - x.txt not found: built-in stage" ] ||
  fail "a missing stage file: window '$(xdotool getwindowname "$win")'"
grep -q "cannot use the stage file '/nonexistent/x.txt'" "$work/run.log" || fail "a missing stage file: said '$(cat "$work/run.log")'"
echo "sdl2: missing stage file: '$(grep "cannot use" "$work/run.log")'"
pkill -TERM -f "^$game /nonexistent/x.txt\$" || fail "the game with a missing stage was not found"
e2e_wait_exit
echo "sdl2: PASS"
