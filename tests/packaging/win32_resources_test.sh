#!/usr/bin/env bash
# win32_resources_test.sh -- the Windows program file as Explorer reads it: its icon group is the
# game's icon, every size pixel for pixel, and its version block names the game and the version.
# Use: win32_resources_test.sh EXE ICO VERSION   (exits 77 when the .exe has not been built)
set -u
exe=$1
ico=$2
version=$3
fail() {
  echo "win32_resources: FAIL: $*" >&2
  exit 1
}
[ -f "$exe" ] || { echo "win32_resources: $exe not built (make windows); nothing to check"; exit 77; }
for tool in wrestool identify compare iconv; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (make deps-test)"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

wrestool -x --type=14 --name=1 "$exe" -o "$work/exe.ico" 2>/dev/null && [ -s "$work/exe.ico" ] ||
  fail "the .exe has no icon group 1"
sizes=$(identify -format '%w ' "$work/exe.ico" | sed 's/ $//')
[ "$sizes" = "$(identify -format '%w ' "$ico" | sed 's/ $//')" ] || fail "the .exe's icon has sizes '$sizes'"
i=0
for size in $sizes; do
  diff=$(compare -metric AE "$work/exe.ico[$i]" "$ico[$i]" null: 2>&1)
  [ "$diff" = 0 ] || fail "the .exe's $size px icon differs from the game's in $diff pixels"
  i=$((i + 1))
done
echo "win32_resources: icon group 1 holds the game's icon at $sizes px"

strings=$(wrestool -x --raw --type=16 "$exe" | iconv -f UTF-16LE -t UTF-8 2>/dev/null | tr -c '[:print:]' '\n')
for want in ProductName Shotgun-Kalvoro FileVersion ProductVersion "$version" shotgun-kalvoro.exe; do
  echo "$strings" | grep -qxF -- "$want" || fail "the version block lacks \"$want\""
done
echo "win32_resources: version block: Shotgun-Kalvoro $version"
