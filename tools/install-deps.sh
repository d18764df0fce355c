#!/usr/bin/env bash
# install-deps.sh -- installs the Debian packages named on the command line that are missing,
# through apt-get (with sudo when not root). Prints one clear line when that is not possible.
# Waits up to 10 minutes for the package lock: a fresh machine's unattended upgrades hold it at first.
set -u
LOCK_WAIT=${KALVORO_APT_LOCK_WAIT:-600}
missing=()
for pkg in "$@"; do
  [[ " ${missing[*]} " == *" $pkg "* ]] && continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if ! command -v apt-get >/dev/null 2>&1; then
  echo "install-deps: missing packages (${missing[*]}) and no apt-get here; install them by hand." >&2
  exit 1
fi
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  run=(sudo)
elif command -v sudo >/dev/null 2>&1 && [ -t 0 ]; then
  run=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}); run as root or with sudo: apt-get install ${missing[*]}" >&2
  exit 1
fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT
export DEBIAN_FRONTEND=noninteractive
apt=("${run[@]}" apt-get -o "DPkg::Lock::Timeout=$LOCK_WAIT" -o "APT::Color=0")

# apt-get says nothing while it waits for the lock, so say it ourselves. A minimal system has no
# fuser or lslocks: /proc/locks lists the held locks by device and inode, and an inode number alone
# is found on every file system. (The lock files and the lock table can be given, for the tests.)
lock_busy() {
  local file dev
  for file in ${INSTALL_DEPS_LOCK_FILES:-/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock}; do
    # /proc/locks writes the device as MAJOR:MINOR in two-digit hexadecimal.
    dev=$(stat -c '%Hd %Ld %i' "$file" 2>/dev/null | awk '{ printf "%02x:%02x:%s", $1, $2, $3 }') || continue
    [ -n "$dev" ] || continue
    grep -qE "^[0-9]+: .* $dev " "${INSTALL_DEPS_PROC_LOCKS:-/proc/locks}" 2>/dev/null && return 0
  done
  return 1
}
if lock_busy; then
  echo "install-deps: another package manager holds the apt lock; waiting up to $LOCK_WAIT s for it"
fi

echo "install-deps: installing ${missing[*]}"
# Package lists are fetched once per run; on a fresh machine there are none at all.
if ! "${apt[@]}" update -qq >"$log" 2>&1; then
  echo "install-deps: apt-get update failed (continuing with the package lists already here):" >&2
  grep -E '^(E|W|Err):' "$log" | head -n 5 >&2
fi

if ! "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
  echo "install-deps: apt-get could not install ${missing[*]}" >&2
  for pkg in "${missing[@]}"; do
    candidate=$(apt-cache policy "$pkg" 2>/dev/null | sed -n 's/^ *Candidate: //p')
    if [ -z "$candidate" ] || [ "$candidate" = "(none)" ]; then
      echo "install-deps:   $pkg: no such package in this machine's apt sources (check /etc/apt/sources.list*)" >&2
    fi
  done
  if grep -qE "Could not get lock|Unable to acquire the dpkg" "$log"; then
    echo "install-deps:   the apt lock stayed held for $LOCK_WAIT s; try again when the other package manager is done" >&2
  fi
  echo "install-deps: apt-get said:" >&2
  grep -E '^(E|W):' "$log" | head -n 10 >&2
  exit 1
fi
echo "install-deps: installed ${missing[*]}"
