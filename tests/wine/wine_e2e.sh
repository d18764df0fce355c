#!/usr/bin/env bash
# wine_e2e.sh -- the Windows build from its zip, run under Wine inside a private Xvfb with real X input:
# the title screen equals the headless picture, a quick click (down and up between two frames) starts the stage, Escape returns to the
# title, F11 covers the screen and Alt+Enter brings the window back (the title still showing), closing the
# window ends the process with status 0; a second run with a (null) sound device and a stage file as its
# argument names the window after the file, streams and closes the wave output cleanly; the stage tool
# and the replay runner from the zip solve and clear a lesson; a third run opens the editor with --edit
# on a new file, paints with the mouse and saves with Ctrl+S; a fourth plays with a stand-in XInput pad.
# Use: wine_e2e.sh ZIP WINE_REFERENCE [SCREENSHOT_DIR]
set -u
zip=$1
reference=$2
shots=${3:-}
name=shotgun-kalvoro

. "$(dirname "$0")/../e2e/x11_harness.sh"

# The zip is made by `make windows` (which `make test` runs first); without it there is nothing to test.
[ -f "$zip" ] || { echo "wine: $zip not found; run make windows first"; exit 77; }
e2e_begin wine wine Xvfb xdotool xwd convert unzip timeout x86_64-w64-mingw32-objdump x86_64-w64-mingw32-gcc
e2e_extra_cleanup() {
  [ -d "$work/prefix" ] && WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
}

# Unpacked as a player would: the game started from the zip's folder.
unzip -q "$zip" -d "$work/unpacked" || fail "cannot unpack $zip"
game_dir=$work/unpacked/$name
[ -f "$game_dir/$name.exe" ] && [ -f "$game_dir/README.txt" ] || fail "the zip lacks $name.exe or README.txt"

# One file that needs nothing but Windows' own DLLs.
dlls=$(x86_64-w64-mingw32-objdump -p "$game_dir/$name.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | tr '\n' ' ')
[ "$dlls" = "GDI32.dll KERNEL32.dll msvcrt.dll SHELL32.dll USER32.dll WINMM.dll " ] || fail "the .exe imports $dlls"
echo "wine: imports $dlls"

"$reference" title "$work/expected-title.ppm" || fail "no headless reference picture"

e2e_start_xvfb

export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/home"

win=
win_x=0
win_y=0
# The game's arguments and the window title it is expected to show.
game_args=()
win_name='Shotgun-Kalvoro'

# Starts the game in the background: $1 = extra environment (KEY=VALUE ...), output into $work/run.log.
start_game() {
  (cd "$game_dir" && env "$@" timeout 240 wine "$name.exe" "${game_args[@]}" >"$work/run.log" 2>&1; echo $? >"$work/status") &
  game_pid=$!
  rm -f "$work/status"
  win=
  # The first start creates the Wine prefix, which takes a while.
  for _ in $(seq 1 240); do
    win=$(xdotool search --name "^$win_name\$" 2>/dev/null | head -n 1)
    [ -n "$win" ] && break
    [ -f "$work/status" ] && fail "the game ended before its window appeared (status $(cat "$work/status"))"
    sleep 0.5
  done
  [ -n "$win" ] || fail "no window named $win_name appeared"
  local WIDTH=0 HEIGHT=0 X=0 Y=0 SCREEN=0 WINDOW=0
  eval "$(xdotool getwindowgeometry --shell "$win")"
  # Without a window manager Wine's X window is exactly the client area.
  [ "$WIDTH" = 960 ] && [ "$HEIGHT" = 600 ] || fail "client area is ${WIDTH}x${HEIGHT}, expected 960x600"
  win_x=$X
  win_y=$Y
  echo "wine: window $win '$win_name', client 960x600 at ($X, $Y)"
}

# Without a window manager the X focus follows the pointer, and Wine makes its window the active one
# only when it handles that focus; a click that lands first is the click that activates the window,
# which by design is no press. So the focus is given first: X delivers it to Wine before the click.
focus_game() {
  xdotool windowfocus --sync "$win" 2>/dev/null || fail "cannot give the focus to the game's window"
}

close_window() {
  # The pointer rests on the window: without a window manager the keyboard focus follows it.
  xdotool mousemove $((win_x + 480)) $((win_y + 300))
  xdotool key alt+F4
}

# The prompt blinks with the update count: its rows 168-175 are left out of the comparison.
TITLE_CHECK=(compare "$work/expected-title.ppm" SHOT 168 175)
# Both shells loaded in the heads-up display: only play draws them.
PLAY_CHECK=(colour SHOT 8 8 13 13 D0DC78)

# Run 1: no sound device (the silent path), the whole round trip.
start_game HOME="$work/home" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,winepulse.drv,wineoss.drv=d"
e2e_await_picture title "${TITLE_CHECK[@]}" || fail "the title screen differs from the headless picture"
e2e_save_png title wine-title.png

focus_game
e2e_tap 480 300
e2e_await_picture play "${PLAY_CHECK[@]}" || fail "a quick click did not start the stage"
"$reference" colour "$work/play.ppm" 18 8 23 13 D0DC78 || fail "the second shell is missing"
# The picture kept for people: the camera settled on the stage the zip carries, after about 2 s.
if [ -n "$shots" ]; then
  sleep 2.5
  e2e_shoot settled
  e2e_save_png settled wine-play.png
fi

xdotool key Escape
e2e_await_picture back "${TITLE_CHECK[@]}" || fail "Escape did not return to the title screen"

# F11: a borderless window over the whole 1280 x 800 screen, the title scaled by 4; Alt+Enter: back.
geometry() {
  local WIDTH=0 HEIGHT=0 X=0 Y=0 SCREEN=0 WINDOW=0
  eval "$(xdotool getwindowgeometry --shell "$win")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}
await_geometry() {
  for _ in $(seq 1 25); do
    [ "$(geometry)" = "$1" ] && return 0
    sleep 0.2
  done
  return 1
}
windowed=$(geometry)
xdotool key F11
await_geometry 1280x800+0+0 || fail "F11 left the window at $(geometry), not over the 1280x800 screen"
sleep 0.5
xwd -root -silent >"$work/root.xwd" && convert "xwd:$work/root.xwd" -sample '320x200!' -sample '960x600!' "$work/full.ppm"
"$reference" compare "$work/expected-title.ppm" "$work/full.ppm" 168 175 ||
  fail "fullscreen does not show the title scaled up (or F11 started a stage)"
echo "wine: F11: window $(geometry), the title scaled by 4"
xdotool mousemove 640 400 keydown alt key Return keyup alt
await_geometry "$windowed" || fail "Alt+Enter left the window at $(geometry), not back at $windowed"
e2e_await_picture windowed "${TITLE_CHECK[@]}" || fail "after Alt+Enter the title is gone (a stage started?)"
echo "wine: Alt+Enter: back to $windowed, still the title"

close_window
e2e_wait_exit
[ "$status" = 0 ] || fail "closing the window ended the game with status $status (124: it kept running)"
echo "wine: closed, exit status 0 (silent run)"

# Run 2: ALSA's null device as the sound output, traced, so the blocks really go round.
printf 'pcm.!default {\n  type null\n}\n' >"$work/home/.asoundrc"
cp "$game_dir/tools/maptool/map.txt" "$game_dir/my stage.txt"
game_args=("my stage.txt")
win_name='Shotgun-Kalvoro - my stage.txt'
start_game HOME="$work/home" WINEDEBUG=trace+winmm WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winepulse.drv,wineoss.drv=d"
e2e_await_picture title2 "${TITLE_CHECK[@]}" || fail "the title screen differs with a sound device"
focus_game
e2e_click 480 300
e2e_await_picture play2 "${PLAY_CHECK[@]}" || fail "a held click did not start the stage with a sound device"
sleep 2
close_window
e2e_wait_exit
[ "$status" = 0 ] || fail "with a sound device the game ended with status $status"
grep -q 'waveOutOpen' "$work/run.log" || fail "the wave output was never opened"
writes=$(grep -c 'trace:winmm:waveOutWrite (' "$work/run.log")
# Two blocks are queued at once; a third write means a block was handed back and refilled.
[ "$writes" -ge 3 ] || fail "only $writes blocks were written to the wave output"
calls=$(grep -oE 'trace:winmm:waveOut(Reset|UnprepareHeader|Close) ' "$work/run.log" | sed 's/.*waveOut//' | tr -d ' ' | tr '\n' ' ')
[ "$calls" = "Reset UnprepareHeader UnprepareHeader Close " ] || fail "wave output shut down as: $calls"
echo "wine: $writes blocks streamed, device reset, both headers unprepared, closed, exit status 0"
# The stage given keeps progress in Windows' place for a game's data: the start is counted there.
kept=$(find "$WINEPREFIX/drive_c/users" -ipath '*/AppData/Roaming/Shotgun-Kalvoro/progress.txt' 2>/dev/null | head -n 1)
[ -n "$kept" ] && grep -q " my stage.txt" "$kept" || fail "no progress.txt naming 'my stage.txt' under %APPDATA%\\Shotgun-Kalvoro"
echo "wine: progress kept in %APPDATA%\\Shotgun-Kalvoro: $(grep ' my stage.txt' "$kept" | tr -d '\r')"

# The tools as a stage maker runs them, from the zip's folder: a route found, then played to the goal.
for tool in maptool kalvoro-run; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$game_dir/$tool.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -f | tr '\n' ' ')
  echo "$dlls" | grep -qiE 'lib(z|stdc|gcc|winpthread)' && fail "$tool.exe needs DLLs of its own: $dlls"
done
(cd "$game_dir" && timeout 200 wine maptool.exe solve 'lessons\2-double-shot.txt' -o route.txt --budget 60 >"$work/solve.log" 2>&1) ||
  fail "maptool.exe found no route: $(tail -n 3 "$work/solve.log")"
(cd "$game_dir" && timeout 120 wine kalvoro-run.exe --stage 'lessons\2-double-shot.txt' --expect clear route.txt >"$work/replay.log" 2>&1) ||
  fail "kalvoro-run.exe did not clear the stage: $(tail -n 3 "$work/replay.log")"
echo "wine: maptool.exe solved lessons\\2-double-shot.txt and kalvoro-run.exe cleared it with that route"

# Run 3: the editor on a file that does not exist yet: a pillar painted, Ctrl+S writes the stage text;
# Alt+F4 with a change made since asks first.
game_args=(--edit "new stage.txt")
win_name='Shotgun-Kalvoro - new stage.txt'
start_game HOME="$work/home" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,winepulse.drv,wineoss.drv=d"
# The palette bar's dark ground right of the swatches: only the editor draws it.
e2e_await_picture editor colour SHOT 300 15 310 18 202020 || fail "--edit did not open the editor"
xdotool mousemove $((win_x + 480)) $((win_y + 300)) key 3
# The view opens on the blank stage's start: cell (5, 10) is at (312, 156) in the 960 x 600 client.
e2e_click 312 156
e2e_await_picture painted colour SHOT 102 50 106 54 1D681D || fail "the left button painted no pillar"
e2e_editor_save "$game_dir/new stage.txt"
[ "$(sed -n 11p "$game_dir/new stage.txt" 2>/dev/null | cut -c1-7)" = "#....|." ] ||
  fail "Ctrl+S wrote no stage with the pillar: $(sed -n 11p "$game_dir/new stage.txt" 2>/dev/null)"
# Alt+F4 with an unsaved change: the window stays and asks; D discards and lets it close.
e2e_click 408 156
sleep 0.5
close_window
e2e_await_picture question colour SHOT 12 66 16 68 202020 || fail "Alt+F4 with unsaved changes did not ask"
xdotool key --delay 1 d
e2e_wait_exit
[ "$status" = 0 ] || fail "the editor ended with status $status"
[ "$(sed -n 11p "$game_dir/new stage.txt" | cut -c8-8)" = "." ] || fail "the discarded change reached the file"
echo "wine: --edit: a pillar painted, Ctrl+S wrote 'new stage.txt', Alt+F4 with a change asked, D closed, exit status 0"

# Run 4: a pad through XInput, found at run time: a stand-in xinput1_4.dll beside the game reads the pad
# from pad.txt ("BUTTONS RIGHT_TRIGGER LX LY RX RY"). South starts, the stick aims and the right trigger
# fires (a shell leaves the heads-up display), Start is Escape.
x86_64-w64-mingw32-gcc -shared -O1 -o "$game_dir/xinput1_4.dll" "$(dirname "$0")/pad_standin.c" ||
  fail "cannot build the stand-in pad"
pad() { echo "$*" >"$game_dir/pad.txt.new" && mv "$game_dir/pad.txt.new" "$game_dir/pad.txt"; }
pad 0 0 0 0 0 0
game_args=()
win_name='Shotgun-Kalvoro'
start_game HOME="$work/home" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;xinput1_4=n;winealsa.drv,winepulse.drv,wineoss.drv=d"
e2e_await_picture padtitle "${TITLE_CHECK[@]}" || fail "the title screen differs with a pad attached"
xdotool mousemove $((win_x + 480)) $((win_y + 300))
focus_game
pad 4096 0 0 0 0 0
e2e_await_picture padplay "${PLAY_CHECK[@]}" || fail "the pad's south button did not start the stage"
pad 0 0 0 -32767 0 0
sleep 0.5
pad 0 255 0 -32767 0 0
one_shell_gone() {
  for _ in $(seq 1 50); do
    e2e_shoot padshot
    "$reference" colour "$work/padshot.ppm" 18 8 23 13 D0DC78 >/dev/null 2>&1 &&
      "$reference" colour "$work/padshot.ppm" 8 8 13 13 D0DC78 >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}
one_shell_gone || fail "the pad's right trigger fired no shell"
pad 0 0 0 0 0 0
sleep 0.3
pad 16 0 0 0 0 0
e2e_await_picture padback "${TITLE_CHECK[@]}" || fail "the pad's Start did not return to the title screen"
pad 0 0 0 0 0 0
close_window
e2e_wait_exit
[ "$status" = 0 ] || fail "with a pad the game ended with status $status"
echo "wine: a pad through XInput: south started the stage, the trigger fired, Start went back, exit status 0"
echo "wine: PASS"
