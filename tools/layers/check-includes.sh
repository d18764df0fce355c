#!/usr/bin/env bash
# check-includes.sh [ROOT] -- the include graph points down only: every quoted #include of the tree's
# sources names a file in the same layer or one below (docs/architecture.md draws the layers). Prints
# each include that points up and exits 1 when there is one.
set -u
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2

# layer FILE: 0 the contract (and app/utils, which the modules below the game use), 1 the game's
# modules, 2 the game, 3 the backends, 4 tools, tests, benchmarks and fuzz targets.
layer() {
  case "$1" in
    platform/platform.h | platform/keys.h | app/utils.*) echo 0 ;;
    render/* | input/* | audio/* | world/* | actors/*) echo 1 ;;
    app/*) echo 2 ;;
    backends/*) echo 3 ;;
    tools/* | tests/* | bench/* | fuzz/*) echo 4 ;;
    *) echo 5 ;;
  esac
}

names=(contract modules game backends tools)
bad=0
files=0
while IFS= read -r file; do
  files=$((files + 1))
  from=$(layer "$file")
  while IFS= read -r target; do
    [ -f "$target" ] || continue # a header of the build's own (generated) or of a system library
    to=$(layer "$target")
    if [ "$to" -gt "$from" ]; then
      echo "check-includes: $file (${names[$from]:-other}) includes $target (${names[$to]:-other}), a layer above it"
      bad=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files '*.h' '*.cpp' 2>/dev/null || find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||')
# The contract's folder holds the contract and nothing else.
for extra in $(git ls-files platform 2>/dev/null | grep -v '^platform/\(platform\|keys\)\.h$'); do
  echo "check-includes: $extra is in platform/, which holds the contract (platform.h, keys.h) alone"
  bad=1
done
[ "$files" -gt 0 ] || { echo "check-includes: no sources found under $root"; exit 2; }
[ $bad -eq 0 ] && echo "check-includes: $files files, every include points down or across"
exit $bad
