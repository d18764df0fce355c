#!/usr/bin/env bash
# entry_test.sh -- the README's first step: ./kalvoro runs the make goal it is given, installs make
# first when there is none, and says how to use it when given nothing. Also: configuring without an
# optional package says in one line what is not built and which package brings it.
set -u
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "entry: FAIL: $*" >&2
  exit 1
}

# A copy of the entry point whose install-deps only records what it was asked for.
mkdir -p "$work/tree/tools" "$work/bin"
cp "$src/kalvoro" "$work/tree/"
printf 'echo "$*" >"%s/installed"\n' "$work" >"$work/tree/tools/install-deps.sh"
printf '#!/bin/sh\necho "make $*" >"%s/ran"\n' "$work" >"$work/bin/make"
chmod +x "$work/bin/make"
# Every command but make, as on a fresh machine.
for cmd in bash dirname; do ln -s "$(command -v "$cmd")" "$work/bin/$cmd"; done

out=$(PATH=$work/bin bash "$work/tree/kalvoro" 2>&1) && fail "no goal, yet status 0"
echo "$out" | grep -q "usage: ./kalvoro play | test" || fail "no usage line: $out"

PATH=$work/bin bash "$work/tree/kalvoro" play || fail "with make there, play failed"
[ "$(cat "$work/ran")" = "make play" ] || fail "ran '$(cat "$work/ran")', not 'make play'"
[ -e "$work/installed" ] && fail "make was installed although it was there"

rm "$work/bin/make" "$work/ran"
PATH=$work/bin bash "$work/tree/kalvoro" test 2>/dev/null
[ "$(cat "$work/installed" 2>/dev/null)" = make ] || fail "without make, make was not installed first"
echo "entry: ./kalvoro runs the goal, installs make when it is missing"

out=$(cmake -S "$src" -B "$work/build" -DKALVORO_TESTS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_SDL2=ON 2>&1) ||
  fail "configuring without SDL2 failed: $out"
[ "$(echo "$out" | grep -c "Not built: the desktop game")" = 1 ] ||
  fail "without SDL2 the configure output says: $(echo "$out" | grep -i "sdl\|not built")"
echo "$out" | grep "Not built: the desktop game" | grep -q "install libsdl2-dev" || fail "the package is not named"
echo "entry: PASS"
