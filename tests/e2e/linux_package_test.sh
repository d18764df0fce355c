#!/usr/bin/env bash
# linux_package_test.sh -- the Linux archive as a player gets it: the start file, the stage beside the
# game, both stage sets with their pars, the tools that check them, and every library the game loads either from the
# archive's lib/ (found through $ORIGIN, with no LD_LIBRARY_PATH) or one of the system's own C and C++
# runtime libraries; started through a link from another folder, a stage file named relative to that
# folder is the one played.
# Use: linux_package_test.sh GAME
set -u
game=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/x11_harness.sh"
e2e_begin linux_package patchelf ldd tar Xvfb xdotool
archive=shotgun-kalvoro-linux-x86_64.tar.gz

bash "$here/../../backends/sdl2/package.sh" "$game" "$work/dist" >/dev/null || fail "package.sh failed"
ls -A "$work/dist" | grep -qv "^$archive\$" && fail "package.sh left more than the archive: $(ls -A "$work/dist")"
tar -xzf "$work/dist/$archive" -C "$work" || fail "cannot unpack $archive"
top=$work/shotgun-kalvoro
. "$here/../../backends/package_parts.sh"
stages=$(shipped_stages "$here/../.." | tr ' ' '/')
for file in shotgun-kalvoro bin/shotgun-kalvoro bin/maptool bin/kalvoro-run README.txt tools/maptool/map.txt \
  share/X11/locale/locale.dir $(for stage in $stages; do echo "$stage.txt $stage.par"; done); do
  [ -f "$top/$file" ] || fail "$file is missing"
done
[ -x "$top/shotgun-kalvoro" ] || fail "the start file is not executable"

libs=$(env -u LD_LIBRARY_PATH ldd "$top/bin/shotgun-kalvoro")
echo "$libs" | grep -q "not found" && fail "unresolved: $(echo "$libs" | grep "not found")"
outside=$(echo "$libs" | awk '$2 == "=>" { print $1, $3 }' | grep -vE " $top/(bin/\.\./)?lib/" |
  grep -vE '^(libc|libm|libdl|libpthread|librt|libstdc\+\+|libgcc_s)\.so')
[ -z "$outside" ] || fail "loaded from the system instead of lib/: $outside"
echo "$libs" | grep -qE "libSDL2-2.0.so.0 => $top/(bin/\.\./)?lib/" || fail "SDL2 is not taken from lib/"
echo "linux_package: $(ls "$top/lib" | wc -l) libraries, all found in lib/ through \$ORIGIN"

# The tools run from the archive with its libraries, on the stages it carries.
for stage in $stages; do
  (cd "$top" && env -u LD_LIBRARY_PATH bin/maptool check "$stage.txt" >/dev/null) || fail "maptool check $stage.txt failed"
done
(cd "$top" && env -u LD_LIBRARY_PATH bin/kalvoro-run --help 2>&1 | grep -q "usage: kalvoro-run") || fail "kalvoro-run does not start"
echo "linux_package: maptool checks the $(echo $stages | wc -w) stages of the lessons and the climb; kalvoro-run starts"

# From another folder and with no display: the start file reaches the game, which says why it stops.
out=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy timeout 20 "$top/shotgun-kalvoro" 2>&1)
echo "$out" | grep -q "cannot open a window" || fail "the start file did not run the game: $out"

# Through a link in another folder (as in ~/bin), with a stage named relative to the caller's folder:
# the window names that stage, not a missing one.
mkdir -p "$work/home/bin" "$work/home/stages"
ln -s "$top/shotgun-kalvoro" "$work/home/bin/kalvoro"
printf 'S      G\n########\n' >"$work/home/stages/mine.txt"
e2e_start_xvfb
(cd "$work/home/stages" && SDL_AUDIODRIVER=dummy timeout 60 ../bin/kalvoro mine.txt >"$work/run.log" 2>&1; echo $? >"$work/status") &
game_pid=$!
e2e_await_named '^Shotgun-Kalvoro - mine.txt' 150
title=$(xdotool getwindowname "$win")
[ "$title" = "Shotgun-Kalvoro - mine.txt" ] || fail "started through a link, the window says '$title'"
echo "linux_package: through a link from another folder: '$title'"
echo "linux_package: PASS"
