#!/usr/bin/env bash
# sdl2_editor_e2e.sh -- the SDL2 editor in a private Xvfb, driven by real X input: --edit on a new file
# opens a blank stage named in the title, a number key and a click paint a pillar and mark the title,
# Enter plays the stage and Escape comes back, Ctrl+S writes the stage text (through the symbolic link
# new.txt is, which stays a link) and clears the mark; a Ctrl+S typed 1 ms apart saves 20 times in 20;
# a close request with unsaved changes keeps the window and asks, and D lets it close.
# Use: sdl2_editor_e2e.sh GAME SCREEN_REFERENCE [SCREENSHOT_DIR]
set -u
game=$1
reference=$2
shots=${3:-}

. "$(dirname "$0")/x11_harness.sh"
e2e_begin sdl2-editor Xvfb xdotool xwd convert timeout
e2e_start_xvfb

mkdir -p "$work/run/stages"
ln -s stages/real.txt "$work/run/new.txt"
(cd "$work/run" && SDL_AUDIODRIVER=dummy timeout 120 "$game" --edit new.txt >"$work/run.log" 2>&1; echo $? >"$work/status") &
game_pid=$!
e2e_find_window 150 'Shotgun-Kalvoro - new.txt'
echo "sdl2-editor: window $win '$(xdotool getwindowname "$win")'"
# The palette bar's dark ground right of the swatches: only the editor draws it.
e2e_await_picture editor colour SHOT 300 15 310 18 202020 || fail "--edit did not open the editor"
e2e_find_window 50 'Shotgun-Kalvoro - new.txt'
xdotool windowfocus --sync "$win" 2>/dev/null
[ -f "$work/run/new.txt" ] && fail "the file was written before Ctrl+S"

# The blank stage's view opens on its start (3, 13): a tile left of column 0, row 0 at 116 px above
# the picture's top, so cell (c, r) is centred at window (48 c + 72, 48 r - 324) at scale 3.
# Pillar (key 3) on cell (5, 10).
e2e_key 3
e2e_click 312 156
e2e_await_picture painted colour SHOT 102 50 106 54 1D681D || fail "the left button painted no pillar"
# A few more strokes for the README's picture: a platform run, a walker, the goal moved up.
e2e_key 2
xdotool mousemove $((win_x + 360)) $((win_y + 108)) mousedown 1
for x in 408 456 504 552 600; do
  sleep 0.15
  xdotool mousemove $((win_x + x)) $((win_y + 108))
done
sleep 0.3
xdotool mouseup 1
e2e_key 9
e2e_click 648 300
e2e_await_picture strokes colour SHOT 164 32 168 34 D0DC78 || fail "the drag painted no platform run"
e2e_save_png strokes editor.png
for _ in $(seq 1 25); do
  [ "$(xdotool getwindowname "$win")" = 'Shotgun-Kalvoro - new.txt *' ] && break
  sleep 0.2
done
[ "$(xdotool getwindowname "$win")" = 'Shotgun-Kalvoro - new.txt *' ] || fail "no unsaved mark: '$(xdotool getwindowname "$win")'"
echo "sdl2-editor: a pillar painted, the title marks the change"

# Enter plays the stage: both shells in the heads-up display; Escape comes back to the same picture.
e2e_key Return
e2e_await_picture play colour SHOT 8 8 13 13 D0DC78 || fail "Enter did not play the stage"
e2e_key Escape
e2e_await_picture back colour SHOT 102 50 106 54 1D681D || fail "Escape did not come back to the editor"
echo "sdl2-editor: Enter played the stage, Escape came back"

e2e_editor_save "$work/run/new.txt"
[ "$(sed -n 11p "$work/run/new.txt" 2>/dev/null | cut -c1-7)" = "#....|." ] ||
  fail "Ctrl+S wrote no stage with the pillar: $(sed -n 11p "$work/run/new.txt" 2>/dev/null)"
for _ in $(seq 1 25); do
  [ "$(xdotool getwindowname "$win")" = 'Shotgun-Kalvoro - new.txt' ] && break
  sleep 0.2
done
[ "$(xdotool getwindowname "$win")" = 'Shotgun-Kalvoro - new.txt' ] || fail "the mark stayed after saving"
ls "$work/run" | grep -q tmp && fail "a temporary file was left beside the stage"
[ -L "$work/run/new.txt" ] && [ -f "$work/run/stages/real.txt" ] || fail "the save replaced the link new.txt"
ls "$work/run/stages" | grep -q tmp && fail "a temporary file was left beside the linked stage"
echo "sdl2-editor: Ctrl+S wrote new.txt ($(wc -l <"$work/run/new.txt") rows) through its link, the mark is gone"

# Twenty edits, each saved by a Ctrl+S whose four key events come 1 ms apart.
e2e_key 1
saved=0
for i in $(seq 0 19); do
  e2e_click $((48 * (6 + i % 10) + 72)) $((48 * (11 + i / 10) - 324))
  for _ in $(seq 1 20); do
    [ "$(xdotool getwindowname "$win")" = 'Shotgun-Kalvoro - new.txt *' ] && break
    sleep 0.1
  done
  xdotool key --delay 1 ctrl+s
  for _ in $(seq 1 20); do
    [ "$(xdotool getwindowname "$win")" = 'Shotgun-Kalvoro - new.txt' ] && { saved=$((saved + 1)); break; }
    sleep 0.1
  done
done
[ "$saved" -eq 20 ] || fail "a quick Ctrl+S saved $saved times of 20"
echo "sdl2-editor: a quick Ctrl+S saved 20 times of 20"

# The close button with unsaved changes: the window stays and asks; D discards and lets it close.
if [ -n "${KALVORO_X11_CLOSE:-}" ]; then
  e2e_click 744 156
  sleep 0.5
  "$KALVORO_X11_CLOSE" "$win" || fail "could not ask the window to close"
  e2e_await_picture question colour SHOT 12 66 16 68 202020 || fail "no question after the close request"
  xdotool getwindowname "$win" >/dev/null 2>&1 || fail "the window closed with unsaved changes"
  e2e_key d
  for _ in $(seq 1 50); do
    [ -s "$work/status" ] && break
    sleep 0.2
  done
  [ "$(cat "$work/status" 2>/dev/null)" = 0 ] || fail "D did not close the game (status '$(cat "$work/status" 2>/dev/null)')"
  echo "sdl2-editor: the close request asked first, D closed the window"
fi
echo "sdl2-editor: PASS"
