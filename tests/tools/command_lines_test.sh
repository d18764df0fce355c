#!/bin/bash
# command_lines_test.sh -- kalvoro-run and maptool as a person uses them: bad arguments and malformed
# scripts give one message naming the line and exit status 2; outputs are written, never over what is
# not a file and never half; stages are read as the game reads them; maptool's verdicts.
# Usage: command_lines_test.sh KALVORO_RUN MAPTOOL SOURCE_DIR
set -u
RUN=$1
MAPTOOL=$2
SRC=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
FAILS=0

# expect STATUS FRAGMENT COMMAND...: the command exits with STATUS and its stderr holds FRAGMENT.
expect() {
    local want=$1 fragment=$2
    shift 2
    "$@" >out.txt 2>err.txt
    local got=$?
    if [ "$got" != "$want" ] || { [ -n "$fragment" ] && ! grep -qF -- "$fragment" err.txt; }; then
        echo "FAIL: $* -> status $got (want $want), stderr:"
        sed 's/^/    /' err.txt
        echo "    (wanted: $fragment)"
        FAILS=$((FAILS + 1))
    fi
}

script() { printf "$2" >"$1"; }

# Width and height of a PNG, from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%d x %d", $3 * 256 + $4, $7 * 256 + $8 }'; }

# Malformed scripts: the file, the line and what is wrong, status 2, and no frame run.
script bad1.txt 'click\nwait 10\njump 3\n'
expect 2 "bad1.txt:3: unknown command 'jump'" "$RUN" --builtin bad1.txt
script bad2.txt '# fine\n\nwait 2\ncursor 10\n'
expect 2 "bad2.txt:4: 'cursor' takes X Y" "$RUN" --builtin bad2.txt
script bad3.txt 'wait 5\nat 2\n'
expect 2 "bad3.txt:2: frame 2 is already past" "$RUN" --builtin bad3.txt
script bad4.txt 'click\nwait\nclick\n'
expect 2 "bad4.txt:3: the left button is still down from line 1" "$RUN" --builtin bad4.txt
script bad5.txt 'tap \xff\n'
expect 2 "bad5.txt:1: unexpected byte 0xFF in column 5" "$RUN" --builtin bad5.txt
script bad6.txt 'expect mode finished\n'
expect 2 "bad6.txt:1: 'mode' in 'expect' needs title, playing, clear or gameover" "$RUN" --builtin bad6.txt
grep -q "frames" out.txt && { echo "FAIL: a malformed script still ran"; FAILS=$((FAILS + 1)); }

# Bad arguments: one message, status 2.
script ok.txt 'click\nwait 30\n'
expect 2 "no replay script given" "$RUN"
expect 2 "unknown option '--fast'" "$RUN" --fast ok.txt
expect 2 "--png-every needs a value" "$RUN" ok.txt --png-every
expect 2 "--png-every takes a number of frames from 1 to 1000000, not '0'" "$RUN" --png-every 0 ok.txt
expect 2 "--png-at takes up to 256 frame numbers" "$RUN" --png-at 3,x ok.txt
expect 2 "--window takes WxH" "$RUN" --window 640 ok.txt
expect 2 "--expect takes title, playing, clear or gameover, not 'won'" "$RUN" --expect won ok.txt
expect 2 "--stage, --set and --builtin cannot be used together" "$RUN" --stage a.txt --builtin ok.txt
expect 2 "one script only" "$RUN" ok.txt ok.txt
expect 2 "cannot read the script 'missing.txt'" "$RUN" missing.txt
expect 2 "cannot use the stage 'missing-stage.txt'" "$RUN" --stage missing-stage.txt ok.txt
: >empty-stage.txt
expect 2 "cannot use the stage 'empty-stage.txt'" "$RUN" --stage empty-stage.txt ok.txt

# A run that ends in the wrong mode, and a checkpoint that does not hold: status 1, naming the frame.
expect 1 "the run ended in playing at frame 30, expected clear" "$RUN" --builtin --expect clear ok.txt
script diverge.txt 'click\nwait 30\nexpect shells 1\n'
expect 1 "FAILED at frame 30 (line 3): shells is 2, expected 1" "$RUN" --builtin diverge.txt

# Outputs: pictures, sound, trace and a recording that plays back.
expect 0 "" "$RUN" --builtin --png-every 10 --png-at 5 --png shot- --wav sound.wav --trace trace.csv \
    --record again.txt --window 960x600 --presented ok.txt
for f in shot-000005.png shot-000010.png shot-000030.png; do
    [ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || { echo "FAIL: $f is not a PNG"; FAILS=$((FAILS + 1)); }
done
[ -e shot-000031.png ] && { echo "FAIL: a picture beyond the run"; FAILS=$((FAILS + 1)); }
[ "$(png_size shot-000010.png)" = "960 x 600" ] || { echo "FAIL: the presented picture is $(png_size shot-000010.png)"; FAILS=$((FAILS + 1)); }
[ "$(head -c 4 sound.wav)" = "RIFF" ] && [ "$(stat -c %s sound.wav)" -gt 10000 ] || { echo "FAIL: sound.wav"; FAILS=$((FAILS + 1)); }
[ "$(wc -l <trace.csv)" = 31 ] || { echo "FAIL: trace.csv has $(wc -l <trace.csv) lines, not 31"; FAILS=$((FAILS + 1)); }
head -1 trace.csv | grep -q "^frame,mode,x,y,vx,vy,onGround,shells,reloading,enemiesAlive,cameraX,cameraY$" ||
    { echo "FAIL: trace header"; FAILS=$((FAILS + 1)); }
grep -q "^30,playing,56,193.949997," trace.csv || { echo "FAIL: trace row 30"; FAILS=$((FAILS + 1)); }
expect 0 "" "$RUN" --builtin --expect playing again.txt
grep -q "checks held" out.txt || { echo "FAIL: no summary line"; FAILS=$((FAILS + 1)); }

# maptool: the shipped stage can be cleared; a stage without a goal cannot; unreadable is status 2.
"$MAPTOOL" check "$SRC/tools/maptool/map.txt" >out.txt 2>&1 || { echo "FAIL: maptool check on the shipped stage"; cat out.txt; FAILS=$((FAILS + 1)); }
grep -q "ok, 0 warnings" out.txt || { echo "FAIL: the shipped stage has warnings"; cat out.txt; FAILS=$((FAILS + 1)); }
printf '.S...\n#####\n' >nogoal.txt
"$MAPTOOL" check nogoal.txt >out.txt 2>&1
[ $? = 1 ] && grep -q "error: no goal (G): the stage cannot be cleared" out.txt || { echo "FAIL: no goal"; cat out.txt; FAILS=$((FAILS + 1)); }
expect 2 "cannot read 'missing.txt'" "$MAPTOOL" check missing.txt
expect 2 "usage: maptool check FILE" "$MAPTOOL" inspect nogoal.txt
"$MAPTOOL" preview "$SRC/tools/maptool/map.txt" preview.png >out.txt 2>&1 || { echo "FAIL: preview"; FAILS=$((FAILS + 1)); }
# The preview is the whole stage: 16 pixels a tile.
size=$(sed -n 's/^  size: \([0-9]*\) x \([0-9]*\) tiles.*/\1 \2/p' <("$MAPTOOL" check "$SRC/tools/maptool/map.txt"))
[ "$(png_size preview.png)" = "$(( ${size% *} * 16 )) x $(( ${size#* } * 16 ))" ] ||
    { echo "FAIL: preview is $(png_size preview.png) for a stage of $size tiles"; FAILS=$((FAILS + 1)); }

# fail MESSAGE: counts one failure.
fail() { echo "FAIL: $1"; FAILS=$((FAILS + 1)); }

# Outputs that are not files are refused up front and left as they were (a FIFO would block a writer).
mkfifo out.fifo
mkdir pic-000010.png
expect 2 "'out.fifo' is not a regular file" timeout 20 "$MAPTOOL" preview "$SRC/tools/maptool/map.txt" out.fifo
expect 2 "'out.fifo' is not a regular file" timeout 20 "$RUN" --builtin --wav out.fifo ok.txt
expect 2 "'out.fifo' is not a regular file" timeout 20 "$RUN" --builtin --trace out.fifo ok.txt
expect 2 "'pic-000010.png' is a folder" "$RUN" --builtin --png-every 10 --png pic- ok.txt
[ -p out.fifo ] && [ -d pic-000010.png ] && ! [ -e pic-000020.png ] || fail "a refused output was touched"
rmdir pic-000010.png
# A write that fails part way (here at a 4 KiB file size limit) leaves the earlier picture whole.
cp preview.png keep.png
(ulimit -f 4; trap '' XFSZ; exec "$MAPTOOL" preview "$SRC/tools/maptool/map.txt" keep.png) >out.txt 2>err.txt
[ $? = 2 ] && cmp -s keep.png preview.png || fail "a failed preview harmed keep.png ($(cat err.txt))"
ls keep.png.tmp* >/dev/null 2>&1 && fail "a temporary file was left behind"

# Two outputs, or an output and an input, naming one file: refused before any work, nothing touched.
cp "$SRC/tools/maptool/map.txt" mine.txt
cp mine.txt mine.before
expect 2 "'./mine.txt' and 'mine.txt' are the same file" "$MAPTOOL" preview mine.txt ./mine.txt
expect 2 "are the same file" "$RUN" --builtin --trace same.csv --wav ./same.csv ok.txt
expect 2 "are the same file" "$RUN" --builtin --record ok.txt ok.txt
expect 2 "are the same file" "$RUN" --stage mine.txt --png-at 5 --png mine --trace mine000005.png ok.txt
cmp -s mine.txt mine.before && [ "$(cat ok.txt)" = "$(printf 'click\nwait 30')" ] && ! [ -e same.csv ] ||
    fail "a refused output was written"
# An output whose folder is missing is found before the run, with the system's reason.
expect 2 "cannot create 'no-folder/t.csv.tmp0' to write 'no-folder/t.csv': No such file or directory" \
    "$RUN" --builtin --trace no-folder/t.csv ok.txt
grep -q "frames" out.txt && fail "the run went on without a place for its trace"
# A picture that cannot be written mid-run is a write failure (3), not a failed check (1). The window
# image at 960 x 600 compresses to well over the 1 KiB limit.
mkdir -p late && cp ok.txt late/
(cd late && ulimit -f 1 && trap '' XFSZ && exec "$RUN" --builtin --window 960x600 --presented --png-at 30 --png big- ok.txt) >out.txt 2>err.txt
[ $? = 3 ] && grep -q "cannot write the picture" err.txt || fail "a picture lost mid-run: status $? ($(cat err.txt))"
# A killed writer's leftover is cleared at the next write of the same target, and the mode is kept.
cp preview.png private.png && chmod 600 private.png
: >private.png.tmp0 && touch -d '1 hour ago' private.png.tmp0
"$MAPTOOL" preview "$SRC/tools/maptool/map.txt" private.png >out.txt 2>&1 || fail "preview over private.png"
[ "$(stat -c %a private.png)" = 600 ] || fail "a rewritten file's mode became $(stat -c %a private.png)"
[ -e private.png.tmp0 ] && fail "a stale private.png.tmp0 was left"
# Options: an unknown one last is unknown, not short of a value; --help is no file name.
expect 2 "unknown option '--fast'" "$MAPTOOL" solve mine.txt --fast
expect 2 "unknown option '--fast'" "$RUN" ok.txt --fast
FONTSHEET=$(dirname "$RUN")/../fontsheet/kalvoro-fontsheet
if [ -x "$FONTSHEET" ]; then
    expect 0 "" "$FONTSHEET" --help
    grep -q "usage: kalvoro-fontsheet" out.txt && ! [ -e ./--help ] || fail "kalvoro-fontsheet --help: $(cat out.txt)"
fi

# Stages are read by the game's loader: a FIFO never blocks, /dev/zero is not a file, 1 MiB is read.
expect 2 "cannot read 'out.fifo': not a regular file: the game plays the built-in stage" \
    timeout 20 "$MAPTOOL" check out.fifo
expect 2 "not a regular file: the game plays the built-in stage" timeout 20 "$MAPTOOL" check /dev/zero
expect 2 "cannot use the stage 'out.fifo': it is not a regular file" timeout 20 "$RUN" --stage out.fifo ok.txt
mkdir -p tools/maptool && mkfifo tools/maptool/map.txt
timeout 20 "$RUN" ok.txt >out.txt 2>&1 && grep -q "on the built-in stage (no usable" out.txt ||
    fail "the runner with a FIFO at the game's stage path: $(cat out.txt)"
{ head -c 1200000 /dev/zero | tr '\0' '#'; printf '\n.S..G\n#####\n'; } >long.txt
"$MAPTOOL" check long.txt >out.txt 2>&1
[ $? = 1 ] && grep -q "size: 128 x 1 tiles" out.txt && grep -q "the game reads only that much" out.txt &&
    grep -q "warning: no S:" out.txt ||
    fail "a first line over 1 MiB: $(cat out.txt)"

# Every key repeat a frame receives is recorded, so the recording plays back.
{ printf 'down F\n'; for i in $(seq 17); do printf 'repeat F\n'; done; printf 'wait 2\nup F\nwait 3\n'; } >rep.txt
expect 0 "" "$RUN" --builtin --record rep-again.txt rep.txt
[ "$(grep -c '^repeat F$' rep-again.txt)" = 17 ] || fail "rep-again.txt holds $(grep -c '^repeat F$' rep-again.txt) repeats"
expect 0 "" "$RUN" --builtin rep-again.txt
# Key-down messages keep their order: in play with F held, a repeat of F then Escape ends on the title;
# Escape first would start the stage again from the title with the F.
script order.txt 'tap SPACE\nwait 10\ndown F\nwait\nrepeat F\ndown ESC\nwait\nup F\nup ESC\nwait\nexpect mode title\n'
expect 0 "" "$RUN" --builtin --record order-again.txt order.txt
expect 0 "" "$RUN" --builtin order-again.txt

# A sound that cannot fit a WAV file is refused before the run starts.
script long-run.txt 'dt 1000\nwait 1000000\n'
expect 2 "more than a WAV file can hold" timeout 20 "$RUN" --builtin --wav long.wav long-run.txt
[ -e long.wav ] && fail "long.wav was created"
# The sound goes to disk as it is made: 110 MB of it within 128 MB of address space.
script ten.txt 'dt 1000\nwait 10000\n'
(ulimit -v 131072; exec "$RUN" --builtin --quiet --wav ten.wav ten.txt) 2>err.txt
[ $? = 0 ] && [ "$(stat -c %s ten.wav)" = 110240044 ] || fail "a 10,000 s sound: $(cat err.txt)"
rm -f ten.wav

# A stage set: an empty folder is said; a set keeps progress in the data folder only when asked.
mkdir -p empty-set
script start.txt 'cursor 160 100\nclick\nwait 5\n'
expect 1 "no stage files" "$RUN" --set empty-set start.txt
expect 2 "cannot be used together" "$RUN" --set empty-set --builtin start.txt
XDG_DATA_HOME=$WORK/data "$RUN" --set "$SRC/tools/maptool/lessons" --quiet start.txt 2>err.txt
[ ! -e data ] || fail "a set played without --keep-progress kept progress"
XDG_DATA_HOME=$WORK/data "$RUN" --set "$SRC/tools/maptool/lessons" --keep-progress --quiet start.txt 2>err.txt
grep -q " 0 -1 1 0 1-long-pit.txt$" data/shotgun-kalvoro/progress.txt 2>/dev/null ||
    fail "--keep-progress kept no run of the set's first stage: $(cat err.txt data/shotgun-kalvoro/progress.txt 2>&1)"

if [ "$FAILS" != 0 ]; then
    echo "$FAILS failed"
    exit 1
fi
echo "all passed"
