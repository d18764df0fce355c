#!/usr/bin/env bash
# fresh-check.sh -- proves the README's two commands on a machine that has nothing: builds a minimal
# Debian 12 root with debootstrap from this machine's Debian mirror, copies the working tree in, runs
# `./kalvoro test` inside it as root, then `./kalvoro play` under Xvfb until the game's window shows.
# Then the Linux package (make dist) is unpacked into a second pristine root that gets nothing but the
# host's X server socket, and must open its window too; the Debian package (make deb) is installed
# with apt into a third, started from its menu entry's command until its window shows, and purged,
# leaving nothing behind. Prints each step's time and what was installed.
# Use (as root): fresh-check.sh [WORK_DIR [ARCHIVE]]   (default build-fresh; the debootstrap tarball
# and the downloaded .deb files are kept there between runs, the roots are made anew every run). With
# ARCHIVE, only that Linux package is checked in a pristine root.
set -uo pipefail
# Mounts made in a private namespace: nobody else sees /dev under the root, and they go with us.
if [ -z "${KALVORO_FRESH_NS:-}" ] && [ "$(id -u)" -eq 0 ]; then
  KALVORO_FRESH_NS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
src=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:-$src/build-fresh}
only_archive=${2:+$(realpath "$2")}
SUITE=bookworm
TITLE=Shotgun-Kalvoro
ARCHIVE=shotgun-kalvoro-linux-x86_64.tar.gz
DEB_NAME=shotgun-kalvoro

say() { echo "fresh-check: $*"; }
die() {
  say "FAIL: $*"
  exit 1
}
[ "$(id -u)" -eq 0 ] || die "run as root (debootstrap, chroot and mount need it)"
for tool in debootstrap chroot mount Xvfb xdotool; do
  command -v "$tool" >/dev/null || die "$tool is not installed (make fresh-check installs it)"
done
mkdir -p "$work/apt-archives"
work=$(cd "$work" && pwd)
root=$work/root
player=$work/player-root
debroot=$work/deb-root
log=$work/fresh-check.log
exec > >(tee "$log") 2>&1

# The Debian mirror this machine uses (deb822 or one-line sources), else the public one.
mirror=$(sed -n 's/^URIs: *\(http[^ ]*\/debian\)\/*$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(sed -n 's/^deb \[*[^]]*\]* *\(http[^ ]*\/debian\)\/* .*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian

mounts=()
pids=()
host_xvfb=
host_display=
cleanup() {
  local i pid
  for pid in "${pids[@]}"; do kill -- "-$pid" 2>/dev/null; done
  [ -n "$host_xvfb" ] && kill "$host_xvfb" 2>/dev/null
  # Whatever still runs inside a root would hold its mounts.
  for pid in /proc/[0-9]*; do
    case "$(readlink "$pid/root" 2>/dev/null)" in
      "$root" | "$player" | "$debroot") kill -9 "${pid#/proc/}" 2>/dev/null ;;
    esac
  done
  sleep 1
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null
  done
  mounts=()
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount_in() { # mount_in TARGET MOUNT_ARGS...
  local target=$1
  shift
  [ -e "$target" ] || mkdir -p "$target"
  mount "$@" "$target" || die "cannot mount $target"
  mounts+=("$target")
}

# Removes a root left by the last run; never while anything is mounted inside it.
remove_root() {
  [ -e "$1" ] || return 0
  if findmnt -rn -o TARGET | grep -q "^$1/"; then
    die "something is still mounted under $1; unmount it first"
  fi
  rm -rf --one-file-system "$1"
}

t_start=$(date +%s)
step_start=$t_start
timing=()
step() { # step NAME: ends the step before (its time is printed) and names the next
  local now
  now=$(date +%s)
  if [ -n "${step_name:-}" ]; then
    timing+=("$(printf '%-44s %4dm%02ds' "$step_name" $(((now - step_start) / 60)) $(((now - step_start) % 60)))")
    say "$step_name: $(((now - step_start) / 60))m$(((now - step_start) % 60))s"
  fi
  step_name=$1
  step_start=$now
  [ -n "$1" ] && say "== $1 ($(date -u +%H:%M:%S) UTC)"
}

# What a person running the check as root passes on: certificates the npm registry needs here, npm's
# registry and proxies. By environment only; the certificate file is mounted, not copied.
chroot_env=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb)
ca_file=
if [ -n "${NODE_EXTRA_CA_CERTS:-}" ] && [ -f "$NODE_EXTRA_CA_CERTS" ]; then
  ca_file=$NODE_EXTRA_CA_CERTS
  chroot_env+=(NODE_EXTRA_CA_CERTS=/run/host-ca/ca.crt)
fi
while IFS='=' read -r name _; do
  case "$name" in
    npm_config_* | http_proxy | https_proxy | no_proxy | HTTP_PROXY | HTTPS_PROXY | NO_PROXY)
      chroot_env+=("$name=${!name}")
      ;;
  esac
done < <(env)
if [ -z "${npm_config_registry:-}" ] && command -v npm >/dev/null; then
  registry=$(npm config get registry 2>/dev/null) && [ -n "$registry" ] && chroot_env+=("npm_config_registry=$registry")
fi

in_root() { # in_root ROOT COMMAND: runs a shell command inside ROOT as root, in the copied tree
  local r=$1
  shift
  chroot "$r" /usr/bin/env -i "${chroot_env[@]}" /bin/bash -c "cd /root/shotgun-kalvoro 2>/dev/null; $*"
}

new_root() { # new_root DIR: a pristine minimal Debian from the cached tarball, with /proc /sys /dev
  remove_root "$1"
  debootstrap --variant=minbase --unpack-tarball="$tarball" "$SUITE" "$1" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    die "debootstrap failed; see $work/debootstrap.log"
  cp /etc/resolv.conf "$1/etc/resolv.conf"
  # The same Debian suites as this machine: the release, its updates and security.
  rm -f "$1/etc/apt/sources.list"
  cat >"$1/etc/apt/sources.list.d/debian.sources" <<SOURCES
Types: deb
URIs: $mirror
Suites: $SUITE $SUITE-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: ${mirror%/debian}/debian-security
Suites: $SUITE-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  mount_in "$1/proc" -t proc proc
  mount_in "$1/sys" -t sysfs sysfs
  mount_in "$1/dev" --bind /dev
  mount_in "$1/dev/pts" --bind /dev/pts
  mount_in "$1/dev/shm" -t tmpfs -o mode=1777 shm
  if [ -n "$ca_file" ]; then
    mkdir -p "$1/run/host-ca" && touch "$1/run/host-ca/ca.crt"
    mount_in "$1/run/host-ca/ca.crt" --bind -o ro "$ca_file"
  fi
}

packages() { chroot "$1" dpkg-query -W -f='${Package}\n' | sort; }

# await_window DISPLAY SECONDS [ROOT]: waits for a window titled $TITLE, asked from inside ROOT when
# given (the X tools the README's commands installed there); prints its id.
await_window() {
  local i run=()
  [ -n "${3:-}" ] && run=(chroot "$3" /usr/bin/env -i "${chroot_env[@]}")
  for ((i = 0; i < $2; i++)); do
    "${run[@]}" env DISPLAY="$1" xdotool search --name "^$TITLE\$" 2>/dev/null | head -n 1 | grep . && return 0
    sleep 1
  done
  return 1
}

# run_until_window ROOT LOG SECONDS ASK_ROOT SHOT WHERE COMMAND...: starts COMMAND inside ROOT in a
# process group of its own on $display, waits up to SECONDS for its window (asked from inside ASK_ROOT
# when not empty), takes a picture of the screen into SHOT when not empty, says what happened and
# stops it. Returns 0 when the window showed; window then holds its id.
run_until_window() {
  local in=$1 log=$2 seconds=$3 ask=$4 shot=$5 where=$6 pid status=1
  shift 6
  setsid chroot "$in" /usr/bin/env -i "${chroot_env[@]}" DISPLAY="$display" "$@" >"$log" 2>&1 &
  pid=$!
  pids+=("$pid")
  if window=$(await_window "$display" "$seconds" $ask); then
    say "window $window titled \"$TITLE\" is up$where"
    [ -n "$shot" ] && DISPLAY=$display xwd -root -silent >"$shot" 2>/dev/null
    status=0
  else
    say "no window titled \"$TITLE\"$where within $seconds s; it said:"
    tail -n 20 "$log"
  fi
  kill -- "-$pid" 2>/dev/null
  return $status
}

# start_x [ROOT]: an X server inside ROOT (the one its commands installed), or without ROOT the one on
# this machine the package roots show their windows on, started once (a root sees only its socket).
# Sets display.
start_x() {
  local in=${1:-} file
  if [ -z "$in" ] && [ -n "$host_xvfb" ]; then
    display=$host_display
    return
  fi
  file=$work/display${in:+-in-root}
  rm -f "$file"
  if [ -n "$in" ]; then
    setsid chroot "$in" /usr/bin/env -i "${chroot_env[@]}" Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp \
      3>"$file" >"$work/root-xvfb.log" 2>&1 &
    pids+=($!)
  else
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$file" >"$work/host-xvfb.log" 2>&1 &
    host_xvfb=$!
  fi
  for _ in $(seq 1 100); do
    [ -s "$file" ] && break
    sleep 0.1
  done
  display=:$(head -n 1 "$file")
  [ -n "$in" ] || host_display=$display
}

# Every file of a root outside the folders that change whatever runs (apt's lists and caches, logs).
root_files() {
  (cd "$1" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./run -o -path ./tmp \
    -o -path ./var/cache -o -path ./var/lib/apt -o -path ./var/log -o -path ./var/lib/dpkg \) -prune -o -print | sort)
}

# check_deb DEB: installs the Debian package with apt into a pristine root, starts the game with the
# command of its menu entry until its window shows, purges it with what apt pulled in, and finds the
# root as it was. Sets deb_status.
check_deb() {
  local deb=$1 before_pkgs before_files exec_line left
  deb_status=1
  new_root "$debroot"
  mount_in "$debroot/var/cache/apt/archives" --bind "$work/apt-archives"
  before_pkgs=$(packages "$debroot")
  before_files=$(root_files "$debroot")
  cp "$deb" "$debroot/root/"
  in_root "$debroot" "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends /root/$(basename "$deb")" \
    >"$work/deb-install.log" 2>&1 || { tail -n 20 "$work/deb-install.log"; say "apt could not install $(basename "$deb")"; return; }
  say "apt installed $(basename "$deb") and $(($(comm -13 <(echo "$before_pkgs") <(packages "$debroot") | wc -l) - 1)) packages it depends on"
  exec_line=$(sed -n 's/^Exec=//p' "$debroot"/usr/share/applications/*.desktop | head -n 1)
  [ -n "$exec_line" ] || { say "the package installed no menu entry"; return; }
  say "the menu entry runs: $exec_line"
  start_x
  mount_in "$debroot/tmp/.X11-unix" --bind /tmp/.X11-unix
  # As the menu does: the command without its field codes, from the home folder. Mesa keeps a shader
  # cache in the home folder of whoever draws with it: that is the user's, not the package's.
  run_until_window "$debroot" "$work/deb-play.log" 30 "" "$work/deb-window.xwd" " from the installed package" \
    SDL_AUDIODRIVER=dummy MESA_SHADER_CACHE_DISABLE=true /bin/bash -c "cd /root && exec ${exec_line//%[fFuU]/}" &&
    deb_status=0
  sleep 1
  umount "$debroot/tmp/.X11-unix" 2>/dev/null
  rmdir "$debroot/tmp/.X11-unix" 2>/dev/null
  rm -f "$debroot/root/$(basename "$deb")"
  in_root "$debroot" "DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $DEB_NAME && DEBIAN_FRONTEND=noninteractive apt-get autoremove --purge -y -q" \
    >"$work/deb-remove.log" 2>&1 || { tail -n 20 "$work/deb-remove.log"; say "apt could not remove the package"; deb_status=1; return; }
  if [ "$(packages "$debroot")" != "$before_pkgs" ]; then
    say "after the purge the root's packages differ: $(diff <(echo "$before_pkgs") <(packages "$debroot") | grep '^[<>]' | tr '\n' ' ')"
    deb_status=1
  fi
  left=$(comm -13 <(echo "$before_files") <(root_files "$debroot"))
  if [ -n "$left" ]; then
    say "left behind after the purge:"
    echo "$left" | sed 's/^/  /' | head -n 40
    deb_status=1
  else
    say "purged: the root's packages and files are as before the install"
  fi
}

# prepare_tarball: the minimal Debian every root is unpacked from, downloaded once into $work.
prepare_tarball() {
  tarball=$work/$SUITE-minbase.tgz
  if [ ! -s "$tarball" ]; then
    debootstrap --variant=minbase --make-tarball="$tarball.part" "$SUITE" "$work/tarball-tmp" "$mirror" >"$work/debootstrap.log" 2>&1 ||
      die "debootstrap --make-tarball failed; see $work/debootstrap.log"
    rm -rf "$work/tarball-tmp"
    mv "$tarball.part" "$tarball"
  else
    say "using $tarball"
  fi
}

# check_readme_commands: the working tree copied into a pristine root, `./kalvoro test` run there and
# `./kalvoro play` until its window shows; then what they installed. Sets test_status, play_status.
check_readme_commands() {
  local before after installed named
  step "pristine root"
  new_root "$root"
  # Only downloads are kept between runs; the root itself starts empty.
  mount_in "$root/var/cache/apt/archives" --bind "$work/apt-archives"
  before=$(packages "$root")
  say "root has $(echo "$before" | wc -l) packages"
  mkdir -p "$root/root/shotgun-kalvoro"
  # The working tree as a person would have it: no build folders, no downloaded node modules.
  (cd "$src" && tar -c --exclude='./build*' --exclude=./dist --exclude=./.git --exclude=./tests/web/node_modules .) |
    tar -x -C "$root/root/shotgun-kalvoro" || die "cannot copy the tree"
  for cmd in make cmake g++ git sudo; do
    if in_root "$root" "command -v $cmd" >/dev/null; then
      say "$cmd: present"
    else
      say "$cmd: not installed"
    fi
  done

  step "./kalvoro test"
  in_root "$root" ./kalvoro test
  test_status=$?
  say "./kalvoro test exited with $test_status"

  step "./kalvoro play under Xvfb"
  play_status=1
  if in_root "$root" "command -v Xvfb && command -v xdotool" >/dev/null; then
    start_x "$root"
    # The play command builds first: up to ten minutes.
    run_until_window "$root" "$work/play.log" 600 "$root" "" "" \
      /bin/bash -c "cd /root/shotgun-kalvoro && exec ./kalvoro play" && play_status=0
  else
    say "Xvfb or xdotool missing in the root (./kalvoro test installs them); play not checked"
  fi

  after=$(packages "$root")
  installed=$(comm -13 <(echo "$before") <(echo "$after"))
  say "the two commands installed $(echo "$installed" | grep -c .) packages; named on our lists:"
  named=$(make -s -C "$src" print-packages | cut -d ' ' -f 2- | tr ' ' '\n' | grep -E '^[a-z0-9][a-z0-9.+-]+$' | sort -u)
  echo "  $(comm -12 <(echo "$named") <(echo "$installed") | tr '\n' ' ')"
}

# build_packages: `make dist` and `make deb` in the root, where the tree has those goals. Sets
# dist_status, deb_make_status.
build_packages() {
  step "make dist in the root"
  if grep -q '^dist:' "$root/root/shotgun-kalvoro/Makefile"; then
    in_root "$root" ./kalvoro dist && dist_status=0
    say "./kalvoro dist exited with $dist_status"
    ls -l "$root/root/shotgun-kalvoro/dist"
  else
    say "no dist goal in this tree"
  fi

  step "make deb in the root"
  if grep -q '^deb:' "$root/root/shotgun-kalvoro/Makefile"; then
    in_root "$root" ./kalvoro deb && deb_make_status=0
    say "./kalvoro deb exited with $deb_make_status"
  else
    say "no deb goal in this tree"
  fi
}

# check_archive ARCHIVE: the Linux package unpacked into a second pristine root that gets nothing but
# the host's X server socket, started until its window shows. Sets package_status.
check_archive() {
  local package=$1 player_before
  new_root "$player"
  player_before=$(packages "$player")
  mkdir -p "$player/root/shotgun-kalvoro"
  cp "$package" "$player/root/$ARCHIVE"
  start_x
  mount_in "$player/tmp/.X11-unix" --bind /tmp/.X11-unix
  in_root "$player" "cd /root && tar -xzf $ARCHIVE && ls shotgun-kalvoro" || die "cannot unpack $ARCHIVE in the root"
  run_until_window "$player" "$work/package-play.log" 30 "" "$work/package-window.xwd" " from the unpacked archive" \
    /root/shotgun-kalvoro/shotgun-kalvoro && package_status=0
  [ "$(packages "$player")" = "$player_before" ] && say "nothing was installed in that root"
}

# report: each step's time, the verdict, and the same in $work/last-result.txt; the exit status.
report() {
  local total result
  total=$(($(date +%s) - t_start))
  say "times:"
  printf '  %s\n' "${timing[@]}"
  say "total ${total}s"
  result=PASS
  [ $test_status -eq 0 ] && [ $play_status -eq 0 ] || result=FAIL
  [ $package_status -eq 0 ] || result="$result (Linux package: not shown)"
  [ -n "$only_archive" ] || [ $deb_status -eq 0 ] || result="$result (Debian package: not shown)"
  {
    echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
    echo "tree: $tree"
    echo "result: $result"
    printf '%s\n' "${timing[@]}"
  } >"$work/last-result.txt"
  say "result: $result"
  [ $test_status -eq 0 ] && [ $play_status -eq 0 ] && [ $package_status -eq 0 ] && { [ -n "$only_archive" ] || [ $deb_status -eq 0 ]; }
}

tree="$(git -C "$src" rev-parse --short HEAD 2>/dev/null || echo 'no git')$(git -C "$src" diff --quiet HEAD 2>/dev/null || echo ', with uncommitted changes')"
say "tree $src ($tree), mirror $mirror"
test_status=0
play_status=0
dist_status=1
deb_make_status=1
package_status=1
deb_status=1

step "debootstrap tarball (cached in $work)"
prepare_tarball
if [ -z "$only_archive" ]; then
  check_readme_commands
  build_packages
else
  dist_status=0
fi

step "Linux package in a second pristine root"
package=${only_archive:-$root/root/shotgun-kalvoro/dist/$ARCHIVE}
if [ $dist_status -eq 0 ] && [ -f "$package" ]; then
  check_archive "$package"
else
  say "no $ARCHIVE to check"
fi

step "Debian package installed with apt in a third pristine root"
deb=$(ls "$root/root/shotgun-kalvoro/dist/${DEB_NAME}"_*.deb 2>/dev/null | head -n 1)
if [ -z "$only_archive" ] && [ $deb_make_status -eq 0 ] && [ -f "$deb" ]; then
  check_deb "$deb"
else
  say "no .deb to check"
fi
step ""
report
