#!/usr/bin/env bash
# package.sh -- puts the Windows build into dist/: the stripped .exe, and a zip holding the .exe,
# the stage tool and the replay runner (built beside it), the stage file at the path the game reads it
# from, the stage sets, a .bat beside the game for each set (a double-click plays it) and a short
# readme.
# Use: package.sh BUILT_EXE DIST_DIR
set -eu
exe=$1
dist=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/backends/package_parts.sh"
name=shotgun-kalvoro

built=$(dirname "$exe")
tools="$built/tools/maptool/maptool.exe $built/tools/runner/kalvoro-run.exe"
for program in "$exe" $tools; do
  [ -f "$program" ] || { echo "package: $program was not built" >&2; exit 1; }
done
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

mkdir -p "$stage/$name"
x86_64-w64-mingw32-strip -o "$stage/$name/$name.exe" "$exe"
for tool in $tools; do
  x86_64-w64-mingw32-strip -o "$stage/$name/$(basename "$tool")" "$tool"
done
# Windows readers expect CRLF line ends in a text file.
sed 's/$/\r/' "$root/backends/win32/README.txt" >"$stage/$name/README.txt"
package_stages "$root" "$stage/$name"
# Started from Explorer a .bat runs in its own folder, where the game finds its stage and the set.
for folder in $(shipped_stages "$root" | cut -d' ' -f1 | uniq); do
  printf '@start "" shotgun-kalvoro.exe %s\r\n' "$folder" >"$stage/$name/$folder.bat"
done

cp "$stage/$name/$name.exe" "$dist/.$name.exe.part"
mv "$dist/.$name.exe.part" "$dist/$name.exe"
# Written beside the old one and renamed: an interrupted run never leaves half a zip.
trap 'rm -rf "$stage"; rm -f "$dist/.$name-windows.zip.part"' EXIT
(cd "$stage" && zip -q -r -X "$dist/.$name-windows.zip.part" "$name")
mv "$dist/.$name-windows.zip.part" "$dist/$name-windows.zip"
echo "package: $dist/$name-windows.zip"
