#!/usr/bin/env bash
# package.sh -- the Linux x86-64 archive for players: DIST_DIR/shotgun-kalvoro-linux-x86_64.tar.gz
# holding shotgun-kalvoro/ with a start file, the game and its tools (maptool, kalvoro-run, built
# beside it) in bin/, the stage where the game reads it, the skill stages, and in lib/ every shared
# library they load except the C library's own (glibc) and the C++ runtime, which every desktop has,
# and libX11's locale tables. The programs and each bundled library find lib/ through $ORIGIN.
# Use: package.sh BUILT_GAME DIST_DIR
set -eu
game=$1
dist=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/backends/package_parts.sh"
name=shotgun-kalvoro
archive=$name-linux-x86_64.tar.gz
# Part of every glibc system, and tied to its exact version: never bundled.
SYSTEM_LIBS='^(linux-vdso|ld-linux-x86-64|libc|libm|libdl|libpthread|librt|libresolv|libutil|libstdc\+\+|libgcc_s)\.so'

built=$(dirname "$game")
tools="$built/tools/maptool/maptool $built/tools/runner/kalvoro-run"
for program in "$game" $tools; do
  [ -f "$program" ] || { echo "package: $program was not built" >&2; exit 1; }
done
command -v patchelf >/dev/null || { echo "package: patchelf is not installed (make deps-dist)" >&2; exit 1; }
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"; rm -f "$dist/.$archive.part"' EXIT

top=$stage/$name
mkdir -p "$top/bin" "$top/lib"
strip -o "$top/bin/$name" "$game"
for tool in $tools; do
  strip -o "$top/bin/$(basename "$tool")" "$tool"
done
# Every library the loader resolves, followed through the libraries' own needs (ldd does that).
ldd "$game" $tools | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }' | sort -u | while read -r soname path; do
  echo "$soname" | grep -qE "$SYSTEM_LIBS" && continue
  cp -L "$path" "$top/lib/$soname"
done
if ldd "$game" $tools | grep -q "not found"; then
  echo "package: the game or a tool needs a library this machine lacks:" >&2
  ldd "$game" $tools | grep "not found" >&2
  exit 1
fi
chmod 644 "$top/lib/"*
for lib in "$top/lib/"*; do
  patchelf --set-rpath '$ORIGIN' "$lib"
done
# RPATH, not RUNPATH: it also serves the libraries SDL opens itself at run time.
for program in "$top/bin/"*; do
  patchelf --force-rpath --set-rpath '$ORIGIN/../lib' "$program"
done

# The bundled libX11 reads its locale tables (needed to set the window title) from beside it: a
# system without any X11 programs has none.
[ -f /usr/share/X11/locale/locale.dir ] || { echo "package: /usr/share/X11/locale is missing (libx11-data)" >&2; exit 1; }
mkdir -p "$top/share/X11"
cp -r /usr/share/X11/locale "$top/share/X11/locale"

# The installed game's start file, with the data in this folder and the game in bin/.
sed -e 's|@KALVORO_REL_DATA@|.|' -e 's|@KALVORO_REL_GAME@|bin|' "$root/backends/sdl2/linux/start.sh.in" >"$top/$name"
chmod 755 "$top/$name" "$top/bin/"*
cp "$root/backends/sdl2/README.txt" "$top/README.txt"
package_stages "$root" "$top"

# Written beside the old one and renamed: an interrupted run never leaves half an archive.
tar -C "$stage" --owner=0 --group=0 --numeric-owner -czf "$dist/.$archive.part" "$name"
mv "$dist/.$archive.part" "$dist/$archive"
echo "package: $dist/$archive ($(ls "$top/lib" | wc -l) libraries)"
