# package_parts.sh -- what every desktop package carries besides the game, sourced by the package
# scripts and their tests: the shipped stage where the game reads it and each stage set with its pars in
# a folder of its own (lessons/, climb/: the game given that folder plays it in order).

# shipped_stages ROOT: a line per stage of every set, "FOLDER NAME": the set's folder in the packages
# and the stage's name, from the lists in ROOT's cmake/kalvoro_common.cmake.
shipped_stages() {
  local common=$1/cmake/kalvoro_common.cmake set dir stage
  for set in $(sed -n 's/^set(KALVORO_STAGE_SETS \(.*\))$/\1/p' "$common"); do
    dir=$(sed -n "s/^set(KALVORO_${set}_STAGE_DIR \(.*\))$/\1/p" "$common")
    for stage in $(sed -n "s/^set(KALVORO_${set}_STAGES \(.*\))$/\1/p" "$common"); do
      echo "${dir##*/} $stage"
    done
  done
}

# shipped_stage_dir ROOT FOLDER: the set's folder in ROOT's tree (tools/maptool/lessons for lessons).
shipped_stage_dir() {
  sed -n 's/^set(KALVORO_[A-Z]*_STAGE_DIR \(.*\))$/\1/p' "$1/cmake/kalvoro_common.cmake" | grep "/$2\$"
}

# package_stages ROOT DEST: copies them from the source tree ROOT into the package folder DEST.
package_stages() {
  local root=$1 dest=$2 folder stage dir
  # Without the stage file the game plays its built-in stage.
  if [ -f "$root/tools/maptool/map.txt" ]; then
    mkdir -p "$dest/tools/maptool"
    cp "$root/tools/maptool/map.txt" "$dest/tools/maptool/map.txt"
  fi
  while read -r folder stage; do
    dir=$(shipped_stage_dir "$root" "$folder") || return 1
    mkdir -p "$dest/$folder"
    cp "$root/$dir/$stage.txt" "$dest/$folder/$stage.txt" || return 1
    # Its par, which a set's title screen shows beside the best time.
    cp "$root/$dir/$stage.par" "$dest/$folder/$stage.par" || return 1
  done < <(shipped_stages "$root")
}
