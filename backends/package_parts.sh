# package_parts.sh -- what every desktop package carries besides the game, sourced by the package
# scripts: the shipped stage where the game reads it and the lessons with their pars in lessons/ (the game
# given that folder plays them in order).
# package_stages ROOT DEST: copies them from the source tree ROOT into the package folder DEST.
package_stages() {
  local root=$1 dest=$2 stage dir
  # Without the stage file the game plays its built-in stage.
  if [ -f "$root/tools/maptool/map.txt" ]; then
    mkdir -p "$dest/tools/maptool"
    cp "$root/tools/maptool/map.txt" "$dest/tools/maptool/map.txt"
  fi
  mkdir -p "$dest/lessons"
  dir=$(sed -n 's/^set(KALVORO_SKILL_STAGE_DIR \(.*\))$/\1/p' "$root/cmake/kalvoro_common.cmake")
  for stage in $(sed -n 's/^set(KALVORO_SKILL_STAGES \(.*\))$/\1/p' "$root/cmake/kalvoro_common.cmake"); do
    cp "$root/$dir/$stage.txt" "$dest/lessons/$stage.txt" || return 1
    # Its par, which a set's title screen shows beside the best time.
    cp "$root/$dir/$stage.par" "$dest/lessons/$stage.par" || return 1
  done
}
