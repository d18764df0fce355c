# x11_harness.sh -- shared by the end-to-end scripts that drive a real game window in a private Xvfb:
# start the server, screenshot the client area, wait for a picture, wait for the game's exit.
# The sourcing script sets: work (a temporary folder), reference (screen_reference), shots (or empty),
# and defines fail(); it sets win_x, win_y once the window is found and game_pid/status for the game.

# Our own X server on a free display; Xvfb picks the number and reports it.
e2e_start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -n 1 "$work/display")
}

# Screenshot of the 960 x 600 client area into $work/$1.ppm.
e2e_shoot() {
  xwd -root -silent >"$work/root.xwd" && convert "xwd:$work/root.xwd" -crop "960x600+$win_x+$win_y" +repage "$work/$1.ppm"
}

# Waits up to about 10 s for the client area to satisfy a check given as a screen_reference command
# whose picture argument is the word SHOT.
e2e_await_picture() {
  local label=$1
  shift
  for _ in $(seq 1 50); do
    e2e_shoot "$label" || fail "no screenshot"
    if "$reference" "${@//SHOT/$work/$label.ppm}" >"$work/check.log" 2>&1; then
      cat "$work/check.log"
      return 0
    fi
    sleep 0.2
  done
  cat "$work/check.log" >&2
  return 1
}

e2e_save_png() {
  [ -n "$shots" ] && mkdir -p "$shots" && convert "$work/$1.ppm" "$shots/$2"
  return 0
}

# Waits for the game started in the background to end; its exit status (written to $work/status by
# the starter) lands in $status.
e2e_wait_exit() {
  for _ in $(seq 1 120); do
    [ -f "$work/status" ] && break
    sleep 0.5
  done
  [ -f "$work/status" ] || fail "the game did not end after its window was closed"
  wait "$game_pid" 2>/dev/null
  game_pid=
  status=$(cat "$work/status")
}

# A press held over several frames: a tap shorter than a frame is invisible to the polled input.
e2e_click() {
  xdotool mousemove $((win_x + $1)) $((win_y + $2))
  xdotool mousedown 1
  sleep 0.1
  xdotool mouseup 1
}

e2e_key() {
  xdotool keydown "$1"
  sleep 0.1
  xdotool keyup "$1"
}
