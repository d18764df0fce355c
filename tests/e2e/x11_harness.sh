# x11_harness.sh -- shared by the end-to-end scripts that drive a real game window in a private Xvfb:
# set up and clean up, start the server, screenshot the client area, wait for a picture, wait for the
# game's exit. The sourcing script calls e2e_begin, sets reference (screen_reference) and shots (or
# empty), win_x, win_y once the window is found, and game_pid/status for the game; it may define
# e2e_extra_cleanup for what it leaves behind itself.

fail() {
  echo "$e2e_name: FAIL: $*" >&2
  exit 1
}

e2e_cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  declare -F e2e_extra_cleanup >/dev/null && e2e_extra_cleanup
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}

# e2e_begin NAME TOOL...: messages start with NAME; every TOOL must be installed; a temporary folder
# in $work that goes, with the game and the server, when the script exits, holding the game's data.
e2e_begin() {
  e2e_name=$1
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (make deps-test)"
  done
  work=$(mktemp -d)
  # The game's data folder (recovery copies, progress) of the test's own, never the user's.
  export XDG_DATA_HOME="$work/data"
  xvfb_pid=
  game_pid=
  trap e2e_cleanup EXIT
}

# Our own X server on a free display; Xvfb picks the number and reports it once it listens.
# -noreset: by default the server resets whenever its last client leaves, and a reset drops every
# connection it has accepted but not yet set up. The polls below (xdotool, xwd) come and go all the
# time, so a game connecting just as one of them left lost its display ("no display found"); on a
# loaded machine the server wakes late and that moment grows to milliseconds.
e2e_start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  # Up to 30 s: a machine busy compiling starts it slowly.
  for _ in $(seq 1 300); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -n 1 "$work/display")
}

# Waits up to $1 polls of 0.2 s for the game's window (titled $2, Shotgun-Kalvoro unless told): its id in $win, its client area in win_x, win_y,
# win_w, win_h. SDL replaces its first window with a new one when the renderer wants another kind, so
# an id counts once it has lasted a second; fails at once when the game ends (the starter writes
# $work/status).
e2e_find_window() {
  local id seen= since=0 WIDTH HEIGHT X Y SCREEN WINDOW
  win=
  for _ in $(seq 1 "$1"); do
    [ -f "$work/status" ] && fail "the game ended before its window appeared: $(cat "$work/run.log" 2>/dev/null)"
    id=$(xdotool search --name "^${2:-Shotgun-Kalvoro}\$" 2>/dev/null | tail -n 1)
    if [ -n "$id" ] && [ "$id" = "$seen" ]; then
      since=$((since + 1))
    else
      seen=$id
      since=0
    fi
    if [ -n "$id" ] && [ $since -ge 5 ] && geometry=$(xdotool getwindowgeometry --shell "$id" 2>/dev/null); then
      eval "$geometry"
      win=$id win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
      return 0
    fi
    sleep 0.2
  done
  fail "no window named ${2:-Shotgun-Kalvoro} appeared"
}

# Waits up to $2 polls of 0.2 s for a window whose name matches the regular expression $1: its id in
# $win; fails at once when the game ends (the starter writes $work/status).
e2e_await_named() {
  win=
  for _ in $(seq 1 "$2"); do
    win=$(xdotool search --name "$1" 2>/dev/null | head -n 1)
    [ -n "$win" ] && return 0
    [ -f "$work/status" ] && fail "the game ended before a window named $1 appeared: $(cat "$work/run.log" 2>/dev/null)"
    sleep 0.2
  done
  fail "no window named $1 appeared"
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

# A press held over several frames, as a person holds the button; it counts once however long it is
# held. (e2e_tap is the quick one.)
e2e_click() {
  xdotool mousemove $((win_x + $1)) $((win_y + $2))
  xdotool mousedown 1
  sleep 0.4
  xdotool mouseup 1
}

# A click as a touchpad tap or a quick finger gives it: down and up with no pause between.
e2e_tap() {
  xdotool mousemove $((win_x + $1)) $((win_y + $2)) click 1
}

e2e_key() {
  xdotool keydown "$1"
  sleep 0.1
  xdotool keyup "$1"
}

# The editor's save, as a person presses it (Ctrl held over several frames around the S), then up to
# 10 s for the file at $1 to appear.
e2e_editor_save() {
  xdotool keydown ctrl
  sleep 0.3
  e2e_key s
  sleep 0.3
  xdotool keyup ctrl
  for _ in $(seq 1 40); do
    [ -f "$1" ] && return 0
    sleep 0.25
  done
  return 1
}
