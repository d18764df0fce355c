#!/usr/bin/env bash
# deb_test.sh -- the Debian package made from this build: lintian, desktop-file-validate and
# appstreamcli pass (deb.sh fails otherwise); it holds the game, the tools, the stages of both sets, the menu
# entry, every icon size and the manual pages; SDL2 is a dependency, never inside; the start script,
# reached through a symlink from another folder, runs the game in the data folder with the caller's
# relative file names made absolute; the real game, unpacked, starts from it and says it has no display.
# Use: deb_test.sh BUILD_DIR
set -u
build=$1
here=$(cd "$(dirname "$0")" && pwd)
fail() {
  echo "deb_package: FAIL: $*" >&2
  exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

out=$(bash "$here/../../backends/sdl2/linux/deb.sh" "$build" "$work/dist" 2>&1) || fail "deb.sh failed: $out"
echo "$out"
deb=$(ls "$work"/dist/shotgun-kalvoro_*_"$(dpkg --print-architecture)".deb) || fail "no .deb was written"
[ "$(ls -A "$work/dist" | wc -l)" = 1 ] || fail "deb.sh left more than the package: $(ls -A "$work/dist")"

files=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||')
expected="usr/games/shotgun-kalvoro usr/games/maptool usr/games/kalvoro-run usr/libexec/shotgun-kalvoro/shotgun-kalvoro
  usr/share/games/shotgun-kalvoro/tools/maptool/map.txt usr/share/applications/org.kalvoro.ShotgunKalvoro.desktop
  usr/share/metainfo/org.kalvoro.ShotgunKalvoro.metainfo.xml usr/share/doc/shotgun-kalvoro/copyright
  usr/share/doc/shotgun-kalvoro/changelog.gz usr/share/man/man6/shotgun-kalvoro.6.gz usr/share/man/man6/maptool.6.gz
  usr/share/man/man6/kalvoro-run.6.gz"
for size in 16 24 32 48 64 128 256 512; do
  expected="$expected usr/share/icons/hicolor/${size}x$size/apps/shotgun-kalvoro.png"
done
. "$here/../../backends/package_parts.sh"
while read -r folder stage; do
  expected="$expected usr/share/games/shotgun-kalvoro/$folder/$stage.txt usr/share/games/shotgun-kalvoro/$folder/$stage.par"
done < <(shipped_stages "$here/../..")
for file in $expected; do
  echo "$files" | grep -qx "$file" || fail "$file is not in the package"
done
echo "$files" | grep -i "sdl" && fail "SDL2 is bundled instead of depended on"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q "libsdl2-2.0-0" || fail "Depends does not name SDL2: $depends"

dpkg-deb -x "$deb" "$work/root" || fail "cannot unpack the package"
data=$work/root/usr/share/games/shotgun-kalvoro
# The start script through a symlink, from a folder of the caller's, with a stand-in for the game.
cp -a "$work/root" "$work/stub"
cat >"$work/stub/usr/libexec/shotgun-kalvoro/shotgun-kalvoro" <<'STUB'
#!/bin/sh
pwd
printf '%s\n' "$@"
STUB
mkdir -p "$work/caller/bin"
ln -s "$work/stub/usr/games/shotgun-kalvoro" "$work/caller/bin/play"
got=$(cd "$work/caller" && bin/play my-stage.txt /abs/other.txt --flag sub/x.txt)
want="$work/stub/usr/share/games/shotgun-kalvoro
$work/caller/my-stage.txt
/abs/other.txt
--flag
$work/caller/sub/x.txt"
[ "$got" = "$want" ] || fail "the start script ran the game as
$got
instead of
$want"
[ -f "$data/tools/maptool/map.txt" ] || fail "the data folder has no shipped stage"
# The menu entry offers every stage set as an action that starts the game on the set's folder.
desktop=$work/root/usr/share/applications/org.kalvoro.ShotgunKalvoro.desktop
for folder in $(shipped_stages "$here/../.." | cut -d' ' -f1 | uniq); do
  grep -qx "Exec=/usr/games/shotgun-kalvoro /usr/share/games/shotgun-kalvoro/$folder" "$desktop" ||
    fail "the menu entry has no action that plays the $folder"
done
echo "deb_package: the start script runs the game in its data folder with the caller's files made absolute"

out=$(cd "$work/caller" && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy timeout 20 "$work/root/usr/games/shotgun-kalvoro" 2>&1)
echo "$out" | grep -q "cannot open a window" || fail "the installed start script did not reach the game: $out"
echo "deb_package: PASS"
