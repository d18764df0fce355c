#!/usr/bin/env bash
# x11_harness_test.sh -- the private X server keeps a connection that is still being set up when the
# last other client leaves: without that, a game starting while a poll disconnects loses its display.
set -u
. "$(dirname "$0")/x11_harness.sh"
e2e_begin x11_harness Xvfb xdotool python3
e2e_start_xvfb
python3 - "${DISPLAY#:}" <<'PY' || fail "a connection being set up was dropped when the last client left"
import os, socket, struct, subprocess, sys, time
display = sys.argv[1]
pending = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
pending.connect("\0/tmp/.X11-unix/X" + display)
time.sleep(0.3)  # accepted by the server, setup not sent yet
subprocess.run(["xdotool", "getmouselocation"], stdout=subprocess.DEVNULL, check=True)
time.sleep(0.5)
try:
    pending.sendall(struct.pack("<BxHHHHxx", ord("l"), 11, 0, 0, 0))
    pending.settimeout(10)
    reply = pending.recv(8)
except OSError as e:
    sys.exit(f"x11_harness: {e}")
sys.exit(0 if reply and reply[0] == 1 else "x11_harness: no setup reply")
PY
echo "x11_harness: a connection being set up outlives the last client: PASS"
