#!/usr/bin/env bash
# zips_test.sh -- the two zips as players unpack them: the Windows zip holds the game, its tools, the shipped
# stage where the game reads it, both stage sets with their pars, the readme and the .bat files that
# start the sets; the web zip, made from the built
# page, unpacks into the folder it lies in with the page at the top and every file its service worker
# keeps, so serving that folder serves the game.
# Use: zips_test.sh WINDOWS_ZIP WEB_BUILD_DIR SOURCE_DIR   (exits 77 when neither has been built)
set -u
windows_zip=$1
web=$2
src=$3
. "$src/backends/package_parts.sh"
stages=$(shipped_stages "$src" | tr ' ' '/')
fail() {
  echo "zips: FAIL: $*" >&2
  exit 1
}
[ -n "$stages" ] || fail "no stage sets listed in $src/cmake/kalvoro_common.cmake"
[ -f "$windows_zip" ] || [ -f "$web/sw.js" ] || { echo "zips: nothing built (make windows, make web)"; exit 77; }
command -v unzip >/dev/null || fail "unzip is not installed (make deps-test)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -f "$windows_zip" ]; then
  unzip -q "$windows_zip" -d "$work/windows" || fail "cannot unpack $windows_zip"
  top=$work/windows/shotgun-kalvoro
  for file in shotgun-kalvoro.exe maptool.exe kalvoro-run.exe README.txt tools/maptool/map.txt \
    $(for stage in $stages; do echo "$stage.txt $stage.par"; done); do
    [ -f "$top/$file" ] || fail "the Windows zip lacks $file"
  done
  for folder in $(echo "$stages" | cut -d/ -f1 | uniq); do
    grep -qx "@start \"\" shotgun-kalvoro.exe $folder"$'\r' "$top/$folder.bat" || fail "$folder.bat does not start the $folder"
  done
  echo "zips: the Windows zip holds the game, its two tools, the shipped stage and $(echo $stages | wc -w) stages in sets"
fi

if [ -f "$web/sw.js" ]; then
  bash "$src/backends/web/package.sh" "$web" "$work/dist" >/dev/null || fail "the web package.sh failed"
  mkdir "$work/site"
  unzip -q "$work/dist/shotgun-kalvoro-web.zip" -d "$work/site" || fail "cannot unpack the web zip"
  [ -f "$work/site/index.html" ] || fail "the web zip has no index.html at its top: $(ls "$work/site")"
  [ -z "$(find "$work/site" -mindepth 1 -type d)" ] || fail "the web zip has folders: $(find "$work/site" -mindepth 1 -type d)"
  kept=$(sed -n "s/^const FILES = \[\(.*\)\];$/\1/p" "$work/site/sw.js" | tr -d "' " | tr ',' '\n' | grep -vx './')
  for file in $kept README.txt; do
    [ -f "$work/site/$file" ] || fail "the web zip lacks $file"
  done
  cmp -s "$work/site/index.wasm" "$web/index.wasm" || fail "the web zip's index.wasm is not the built one"
  echo "zips: the web zip unpacks into its folder as the page: $(ls "$work/site" | wc -l) files"
fi
echo "zips: PASS"
