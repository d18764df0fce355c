#!/usr/bin/env bash
# icons_test.sh -- the icon files in backends/icons/ are what the game draws today: every PNG equals,
# pixel for pixel, a fresh one from kalvoro-icons, and the .ico holds the sizes up to 256 as those PNGs.
# `make icons` writes them anew after the drawing changes.
# Use: icons_test.sh KALVORO_ICONS SOURCE_DIR
set -u
icons=$1
committed=$2/backends/icons
fail() {
  echo "icons: FAIL: $*" >&2
  exit 1
}
command -v compare >/dev/null || fail "ImageMagick is not installed (make deps-test)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$icons" "$work" >/dev/null || fail "kalvoro-icons failed"
count=$(ls "$work"/*.png | wc -l)
for png in "$work"/*.png; do
  name=$(basename "$png")
  [ -f "$committed/$name" ] || fail "$name is missing from backends/icons/ (make icons)"
  diff=$(compare -metric AE "$png" "$committed/$name" null: 2>&1)
  [ "$diff" = 0 ] || fail "backends/icons/$name differs from what the game draws in $diff pixels (make icons)"
done
extra=$(comm -13 <(ls "$work") <(ls "$committed"))
[ -z "$extra" ] || fail "backends/icons/ holds files kalvoro-icons does not make: $extra"

# The .ico: one PNG entry per size up to 256, each the same picture as that size's file.
sizes=$(identify -format '%w ' "$committed/shotgun-kalvoro.ico" 2>/dev/null)
[ "$sizes" = "16 24 32 48 64 128 180 192 256 " ] || fail "the .ico holds sizes '$sizes'"
i=0
for size in $sizes; do
  convert "$committed/shotgun-kalvoro.ico[$i]" "$work/ico-$size.png" || fail "cannot read entry $i of the .ico"
  diff=$(compare -metric AE "$work/ico-$size.png" "$committed/shotgun-kalvoro-$size.png" null: 2>&1)
  [ "$diff" = 0 ] || fail "the .ico's $size px entry differs from shotgun-kalvoro-$size.png"
  i=$((i + 1))
done
echo "icons: $count PNG files and the .ico ($sizes) are what the game draws"
