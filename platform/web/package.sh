#!/usr/bin/env bash
# package.sh -- the browser build for players: DIST_DIR/shotgun-kalvoro-web.zip holding
# shotgun-kalvoro-web/ with the page, its script and its WebAssembly, for any static web server.
# Use: package.sh WEB_BUILD_DIR DIST_DIR
set -eu
build=$1
dist=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
name=shotgun-kalvoro-web
for file in index.html index.js index.wasm; do
  [ -f "$build/$file" ] || { echo "package: $build/$file was not built (make web)" >&2; exit 1; }
done
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"; rm -f "$dist/.$name.zip.part"' EXIT

mkdir -p "$stage/$name"
cp "$build/index.html" "$build/index.js" "$build/index.wasm" "$stage/$name/"
cp "$root/platform/web/README.txt" "$stage/$name/README.txt"
(cd "$stage" && zip -q -r -X "$dist/.$name.zip.part" "$name")
mv "$dist/.$name.zip.part" "$dist/$name.zip"
echo "package: $dist/$name.zip"
