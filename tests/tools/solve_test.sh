#!/bin/bash
# solve_test.sh -- maptool solve proves stages clearable: each route it writes clears its stage in
# kalvoro-run, and a par file shipped beside a stage matches a fresh solve; a walled-in goal ends with status 1 ("cannot be cleared"), a search out of budget with
# status 3 ("not settled", saying where it got to); bad input is status 2. The budgets are processor time, so a busy machine only makes them slower.
# Usage: solve_test.sh KALVORO_RUN MAPTOOL SOURCE_DIR clears STAGE...   (a STAGE may be --builtin)
#        solve_test.sh KALVORO_RUN MAPTOOL SOURCE_DIR refusals
#        solve_test.sh KALVORO_RUN MAPTOOL SOURCE_DIR hard STAGE:BUDGET:STATUS:FRAGMENT...
#        solve_test.sh KALVORO_RUN MAPTOOL SOURCE_DIR ordered STAGE...   (a set, in the order it plays)
set -u
RUN=$1
MAPTOOL=$2
SRC=$3
MODE=$4
shift 4
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
FAILS=0
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }

# expect STATUS FRAGMENT COMMAND...: the command exits with STATUS and its output holds FRAGMENT.
expect() {
    local want=$1 fragment=$2
    shift 2
    "$@" >out.txt 2>err.txt
    local got=$?
    if [ "$got" != "$want" ] || { [ -n "$fragment" ] && ! grep -qF -- "$fragment" out.txt err.txt; }; then
        fail "$* -> status $got (want $want, '$fragment'):"
        sed 's/^/    /' out.txt err.txt | tail -5
    fi
}

if [ "$MODE" = clears ]; then
    for stage in "$@"; do
        if [ "$stage" = --builtin ]; then
            args=(--builtin)
        else
            stage=$SRC/tools/maptool/$stage
            args=("$stage")
        fi
        rm -f fresh.par
        expect 0 "clearable in" "$MAPTOOL" solve "${args[@]}" -o route.txt --budget 60 --seed 1 --par fresh.par
        grep -q "^expect mode clear" route.txt || fail "$stage: the route has no 'expect mode clear'"
        # A par shipped beside the stage is the one a fresh solve gives.
        if [ "${args[0]}" != --builtin ] && [ -f "${stage%.txt}.par" ]; then
            cmp -s fresh.par "${stage%.txt}.par" ||
                fail "$stage: its par file says '$(tail -n 1 "${stage%.txt}.par")', a fresh solve '$(tail -n 1 fresh.par)'"
        fi
        if [ "${args[0]}" = --builtin ]; then
            expect 0 "clear after" "$RUN" --builtin --expect clear route.txt
        else
            expect 0 "clear after" "$RUN" --stage "$stage" --expect clear route.txt
        fi
        grep -h "clearable in" out.txt err.txt
    done
elif [ "$MODE" = ordered ]; then
    # A set that goes from easy to hard: every stage in its folder is listed (so each is proven), the
    # ratings of their par files never get easier along the list, and the README's table says what
    # the par files say.
    folder=$(dirname "$SRC/tools/maptool/$1")
    for file in "$folder"/*.txt; do
        printf '%s\n' "$@" | grep -qx "${file#"$SRC/tools/maptool/"}" || fail "$file is in the set but not listed"
    done
    last=0
    n=0
    for stage in "$@"; do
        n=$((n + 1))
        read -r frames margin degrees rating < <(sed -n 2p "$SRC/tools/maptool/${stage%.txt}.par")
        name=$(basename "${stage%.txt}" | sed 's/^[0-9]*-//; s/-/ /g')
        row=$(printf '| Climb %d: %s | %d (%d.%03d s) | %d, %d | %s |' "$n" "$name" "$frames" \
            $((frames * 16 / 1000)) $((frames * 16 % 1000)) "$margin" "$degrees" "$rating")
        grep -qxF -- "$row" "$SRC/README.md" || fail "the README has no row '$row'"
        case $rating in
        easy) rank=0 ;; fair) rank=1 ;; hard) rank=2 ;; "for experts") rank=3 ;;
        *) fail "$stage: no rating in its par file ('$rating')"; continue ;;
        esac
        [ "$rank" -ge "$last" ] || fail "$stage ($rating) comes after a harder stage"
        last=$rank
    done
elif [ "$MODE" = hard ]; then
    # Stages made to be hard, each with its budget and the answer it must get within it.
    for spec in "$@"; do
        IFS=: read -r stage budget status fragment <<<"$spec"
        expect "$status" "$fragment" "$MAPTOOL" solve "$SRC/tools/maptool/stages/$stage" -o route.txt \
            --budget "$budget" --seed 1
        if [ "$status" = 0 ]; then
            expect 0 "clear after" "$RUN" --stage "$SRC/tools/maptool/stages/$stage" --expect clear route.txt
        fi
        grep -h "$fragment" out.txt err.txt | head -1
    done
else
    stages=$SRC/tools/maptool/stages
    expect 1 "cannot be cleared: the goal is walled in" "$MAPTOOL" solve "$stages/walled-in.txt" --budget 30
    # Out of budget: not settled (status 3), with how far it got.
    expect 3 "not settled: no route among" "$MAPTOOL" solve "$stages/out-of-reach.txt" --budget 1 --png far.png
    grep -q "nearest the goal: tile (" err.txt || fail "out-of-reach: no farthest tile named"
    [ "$(head -c 4 far.png | od -An -c | tr -d ' ')" = "211PNG" ] || fail "far.png is not a picture"
    # The same seed, the same route.
    "$MAPTOOL" solve "$SRC/tools/maptool/lessons/2-double-shot.txt" --seed 7 >a.txt 2>/dev/null
    "$MAPTOOL" solve "$SRC/tools/maptool/lessons/2-double-shot.txt" --seed 7 >b.txt 2>/dev/null
    cmp -s a.txt b.txt && grep -q "^click" a.txt || fail "two runs with --seed 7 wrote different routes"
    expect 0 "clearable in" "$MAPTOOL" check --solve "$SRC/tools/maptool/lessons/2-double-shot.txt"
    grep -qE "double-shot.txt: clearable in [0-9]+ frames \(par [0-9]+:[0-9][0-9]\)" out.txt ||
        fail "check --solve gives no verdict line"
    expect 0 "x 224 pixels" "$MAPTOOL" preview "$SRC/tools/maptool/lessons/2-double-shot.txt" route.png --route a.txt
    expect 2 "cannot read the replay" "$MAPTOOL" preview "$SRC/tools/maptool/lessons/2-double-shot.txt" route.png --route missing.txt
    expect 2 "--budget takes seconds" "$MAPTOOL" solve "$SRC/tools/maptool/lessons/2-double-shot.txt" --budget soon
    expect 2 "--seed takes a whole number" "$MAPTOOL" solve "$SRC/tools/maptool/lessons/2-double-shot.txt" --seed -1
    # The route shaken as a hand would play it: a count of the tries that clear; a shake of nothing refused.
    expect 0 "2-double-shot.txt: 6 of 6 shaken tries clear (every press moved by up to 0 frames" "$MAPTOOL" \
        solve "$SRC/tools/maptool/lessons/2-double-shot.txt" --shake 6 --shake-frames 0 -o shaken.txt
    expect 2 "--shake takes a whole number from 1 to 100000, not '0'" "$MAPTOOL" solve under.txt --shake 0
    expect 2 "solve takes a stage file or --builtin" "$MAPTOOL" solve
    expect 2 "cannot read 'missing.txt'" "$MAPTOOL" solve missing.txt
    mkdir adir
    expect 2 "adir" "$MAPTOOL" solve "$SRC/tools/maptool/lessons/2-double-shot.txt" -o adir
    # A start right under the goal is cleared by the starting click's frame: a route of one frame.
    printf '.....\n.....\n..G..\n..S..\n#####\n' >under.txt
    expect 0 "under.txt: clearable in 1 frames" "$MAPTOOL" solve under.txt -o under-route.txt
    expect 0 "clear after 1 frames" "$RUN" --stage under.txt --expect clear under-route.txt
    # A route of no presses clears however hard it is shaken; a shake beyond its ranges is refused.
    expect 0 "under.txt: 3 of 3 shaken tries clear" "$MAPTOOL" solve under.txt --shake 3 --shake-frames 8 \
        --shake-degrees 10 -o under-route.txt
    expect 2 "--shake-frames takes a whole number from 0 to 8, not '9'" "$MAPTOOL" solve under.txt --shake 3 --shake-frames 9
    expect 2 "--shake-degrees takes a whole number from 0 to 10, not '1.5'" "$MAPTOOL" solve under.txt --shake-degrees 1.5
    # Outputs are checked before the search: the same file twice, the stage itself, a missing folder.
    cp "$stages/out-of-reach.txt" reach.txt
    expect 2 "are the same file" "$MAPTOOL" solve reach.txt -o reach.txt
    cmp -s reach.txt "$stages/out-of-reach.txt" || fail "solve -o over its own stage changed it"
    expect 2 "are the same file" "$MAPTOOL" solve reach.txt --png same.png -o ./same.png
    expect 2 "No such file or directory" "$MAPTOOL" solve reach.txt --budget 30 -o no-folder/route.txt
    grep -q "budget" err.txt && fail "the search ran before the missing folder was found"
    # A route that cannot reach standard output is no success.
    "$MAPTOOL" solve under.txt >/dev/full 2>err.txt
    [ $? = 2 ] && grep -q "cannot write to standard output" err.txt || fail "a route lost on a full disk: $(cat err.txt)"
    printf '....\n' >nogoal.txt
    expect 1 "has no goal" "$MAPTOOL" solve nogoal.txt
fi

if [ "$FAILS" != 0 ]; then
    echo "$FAILS failed"
    exit 1
fi
echo "all passed"
