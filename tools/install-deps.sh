#!/usr/bin/env bash
# install-deps.sh -- installs the Debian packages named on the command line that are missing,
# through apt-get (with sudo when not root). Prints one clear line when that is not possible.
set -u
missing=()
for pkg in "$@"; do
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
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -qq || true
"${run[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || {
  echo "install-deps: apt-get could not install ${missing[*]}" >&2
  exit 1
}
