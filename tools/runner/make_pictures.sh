#!/bin/bash
# make_pictures.sh -- the README's pictures, made by the current build through the headless runner and
# maptool: the title screen, a moment of play, the whole shipped stage, a short animated run, and the
# shipped stage with the route maptool solve finds through it.
# Usage: make_pictures.sh BUILD_DIR OUT_DIR   (run from the repository root; `make pictures` does)
set -eu
BUILD=$1
OUT=$2
RUN=$BUILD/tools/runner/kalvoro-run
MAPTOOL=$BUILD/tools/maptool/maptool
STAGE=tools/maptool/map.txt
REPLAY=tools/replays/shipped-stage.txt
for tool in "$RUN" "$MAPTOOL"; do
    [ -x "$tool" ] || { echo "make_pictures: $tool is not built" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "make_pictures: ImageMagick's convert is missing" >&2; exit 1; }
mkdir -p "$OUT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# The title at twice the size, as a window of 640 x 400 shows it, with its prompt lit (the prompt is
# on for the first 30 frames of every 60).
printf 'wait 20\n' >"$WORK/title.txt"
"$RUN" --stage "$STAGE" --window 640x400 --presented --png-at 20 --png "$WORK/title-" --quiet "$WORK/title.txt"
cp "$WORK/title-000020.png" "$OUT/title.png"

# Play: the frame of the shipped replay in which the first enemy falls, pellets still in the air.
"$RUN" --stage "$STAGE" --trace "$WORK/trace.csv" --quiet "$REPLAY"
hit=$(awk -F, 'NR > 2 && $10 < alive { print $1; exit } { alive = $10 }' "$WORK/trace.csv")
[ -n "$hit" ] || { echo "make_pictures: the replay never hits an enemy" >&2; exit 1; }
"$RUN" --stage "$STAGE" --window 640x400 --presented --png-at "$hit" --png "$WORK/play-" --quiet "$REPLAY"
cp "$WORK/play-$(printf %06d "$hit").png" "$OUT/play.png"

# The whole stage as the game draws it.
"$MAPTOOL" preview "$STAGE" "$OUT/stage.png" >/dev/null

# The solver's route through the stage, drawn over it.
"$MAPTOOL" solve "$STAGE" -o "$WORK/route.txt" --seed 1 2>/dev/null >/dev/null
"$MAPTOOL" preview "$STAGE" "$OUT/route.png" --route "$WORK/route.txt" >/dev/null

# The run up to that first enemy and half a second after, every third frame at the game's own
# 320 x 200, played at real speed (three 16 ms frames are 48 ms, 5 hundredths of a second to a GIF).
"$RUN" --stage "$STAGE" --png-every 3 --png-to $((hit + 30)) --png "$WORK/run-" --quiet "$REPLAY"
convert -delay 5 -loop 0 "$WORK"/run-*.png -layers Optimize "$OUT/run.gif"

# The climb played as a set, its progress kept in a data folder of its own: the first stage cleared
# by the solver's route (the clear screen with the run's time, the best and NEW BEST half a second on),
# then the set's title with that best beside the par.
SET=tools/maptool/climb
"$MAPTOOL" solve "$SET/01-first-pit.txt" -o "$WORK/climb.txt" --seed 1 2>/dev/null >/dev/null
printf 'wait 30\n' >>"$WORK/climb.txt"
XDG_DATA_HOME=$WORK/data "$RUN" --set "$SET" --keep-progress --window 640x400 --presented --trace "$WORK/climb.csv" \
    --quiet "$WORK/climb.txt"
last=$(tail -n 1 "$WORK/climb.csv" | cut -d, -f1)
rm -rf "$WORK/data"
XDG_DATA_HOME=$WORK/data "$RUN" --set "$SET" --keep-progress --window 640x400 --presented --png-at "$last" \
    --png "$WORK/clear-" --quiet "$WORK/climb.txt"
cp "$WORK/clear-$(printf %06d "$last").png" "$OUT/set-clear.png"
XDG_DATA_HOME=$WORK/data "$RUN" --set "$SET" --keep-progress --window 640x400 --presented --png-at 20 \
    --png "$WORK/set-title-" --quiet "$WORK/title.txt"
cp "$WORK/set-title-000020.png" "$OUT/set-title.png"

echo "make_pictures: $OUT/title.png $OUT/play.png $OUT/stage.png $OUT/route.png $OUT/run.gif" \
    "$OUT/set-title.png $OUT/set-clear.png"
