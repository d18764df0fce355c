#!/usr/bin/env bash
# package.sh -- the browser build for players: DIST_DIR/shotgun-kalvoro-web.zip holding the page, its
# script, its WebAssembly, the manifest, the icons and the service worker at the top, so the folder
# it is unpacked in is the page: any static web server serves it as it is.
# Use: package.sh WEB_BUILD_DIR DIST_DIR
set -eu
build=$1
dist=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
name=shotgun-kalvoro-web
# Every file the service worker keeps is a file of the page.
[ -f "$build/sw.js" ] || { echo "package: $build/sw.js was not built (make web)" >&2; exit 1; }
files=$(sed -n "s/^const FILES = \[\(.*\)\];$/\1/p" "$build/sw.js" | tr -d "' " | tr ',' '\n' | grep -vx './')
[ -n "$files" ] || { echo "package: $build/sw.js lists no files" >&2; exit 1; }
for file in $files; do
  [ -f "$build/$file" ] || { echo "package: $build/$file was not built (make web)" >&2; exit 1; }
done
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"; rm -f "$dist/.$name.zip.part"' EXIT

for file in $files sw.js; do
  cp "$build/$file" "$stage/"
done
cp "$root/backends/web/README.txt" "$stage/README.txt"
(cd "$stage" && zip -q -r -X "$dist/.$name.zip.part" .)
mv "$dist/.$name.zip.part" "$dist/$name.zip"
echo "package: $dist/$name.zip"
