#!/usr/bin/env bash
# install_deps_test.sh -- tools/install-deps.sh against stand-ins for dpkg-query, apt-get, apt-cache
# and sudo: only missing packages are asked for, apt-get waits for the lock, and a failure names the
# package apt does not know and says why.
set -u
script=$(cd "$(dirname "$0")/../.." && pwd)/tools/install-deps.sh
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
fail() {
  echo "install_deps: FAIL: $*" >&2
  exit 1
}

# dpkg-query knows "present"; apt-get logs its arguments and fails to install "unknown"; apt-cache
# has no candidate for "unknown"; sudo runs the command as it is.
cat >"$stubs/dpkg-query" <<'STUB'
#!/bin/sh
[ "$3" = present ] && printf 'install ok installed'
STUB
cat >"$stubs/apt-get" <<'STUB'
#!/bin/sh
echo "$*" >>"$STUBS/apt-get.log"
case " $* " in *" unknown "*) echo "E: Unable to locate package unknown" >&2; exit 100 ;; esac
STUB
cat >"$stubs/apt-cache" <<'STUB'
#!/bin/sh
[ "$2" = unknown ] && echo "  Candidate: (none)" || echo "  Candidate: 1.0"
STUB
printf '#!/bin/sh\n[ "$1" = -n ] && shift\nexec "$@"\n' >"$stubs/sudo"
chmod +x "$stubs"/*
run() { STUBS=$stubs PATH="$stubs:$PATH" bash "$script" "$@" 2>&1; }

out=$(run present) || fail "nothing to install, yet it failed: $out"
[ -e "$stubs/apt-get.log" ] && fail "apt-get ran although everything was installed"

out=$(run present make) || fail "installing make failed: $out"
grep -q -- "-o DPkg::Lock::Timeout=600 .*install -y .* make$" "$stubs/apt-get.log" ||
  fail "apt-get was not asked to wait for the lock and install only make: $(cat "$stubs/apt-get.log")"
echo "$out" | grep -q "installed make" || fail "no word of what was installed: $out"

# The apt lock is busy only when a lock names its file: the same inode on another device is not it.
: >"$stubs/lock"
set -- $(stat -c '%Hd %Ld %i' "$stubs/lock")
printf '1: POSIX  ADVISORY  WRITE 999 %02x:%02x:%s 0 EOF\n' $(($1 + 1)) "$2" "$3" >"$stubs/locks"
out=$(INSTALL_DEPS_LOCK_FILES=$stubs/lock INSTALL_DEPS_PROC_LOCKS=$stubs/locks run present make)
echo "$out" | grep -q "holds the apt lock" && fail "a lock on another device was taken for apt's: $out"
printf '1: POSIX  ADVISORY  WRITE 999 %02x:%02x:%s 0 EOF\n' "$1" "$2" "$3" >"$stubs/locks"
out=$(INSTALL_DEPS_LOCK_FILES=$stubs/lock INSTALL_DEPS_PROC_LOCKS=$stubs/locks run present make)
echo "$out" | grep -q "holds the apt lock" || fail "apt's own lock was not seen: $out"

out=$(run make unknown) && fail "an unknown package was reported as installed"
echo "$out" | grep -q "unknown: no such package" || fail "the unknown package is not named: $out"
echo "$out" | grep -q "Unable to locate package unknown" || fail "apt-get's reason is not shown: $out"
echo "$out" | grep -q "make: no such" && fail "a known package was called unknown: $out"
echo "install_deps: PASS"
