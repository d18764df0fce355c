#!/usr/bin/env bash
# zips_test.sh -- the two zips as players unpack them: the Windows zip holds the game, its tools, the shipped
# stage where the game reads it, the skill stages and the readme; the web zip, made from the built
# page, unpacks into the folder it lies in with the page at the top and every file its service worker
# keeps, so serving that folder serves the game.
# Use: zips_test.sh WINDOWS_ZIP WEB_BUILD_DIR SOURCE_DIR SKILL_STAGE...   (exits 77 when neither has been built)
set -u
windows_zip=$1
web=$2
src=$3
shift 3
stages="$*"
fail() {
  echo "zips: FAIL: $*" >&2
  exit 1
}
[ -n "$stages" ] || fail "no skill stages named"
[ -f "$windows_zip" ] || [ -f "$web/sw.js" ] || { echo "zips: nothing built (make windows, make web)"; exit 77; }
command -v unzip >/dev/null || fail "unzip is not installed (make deps-test)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -f "$windows_zip" ]; then
  unzip -q "$windows_zip" -d "$work/windows" || fail "cannot unpack $windows_zip"
  top=$work/windows/shotgun-kalvoro
  for file in shotgun-kalvoro.exe maptool.exe kalvoro-run.exe README.txt tools/maptool/map.txt $(printf 'lessons/%s.txt ' $stages); do
    [ -f "$top/$file" ] || fail "the Windows zip lacks $file"
  done
  echo "zips: the Windows zip holds the game, its two tools, the shipped stage and $(echo $stages | wc -w) skill stages"
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
