#!/usr/bin/env bash
# deb.sh -- the Debian package: installs BUILD_DIR (configured from this tree, game and tools built)
# into a staging root with prefix /usr, adds the package's documents, computes the dependencies from
# the programs' own library needs (SDL2 comes from the system) and writes
# DIST_DIR/shotgun-kalvoro_VERSION_ARCH.deb. Then lintian, desktop-file-validate and appstreamcli
# check it; an error from any of them fails the run, warnings are printed.
# Use: deb.sh BUILD_DIR DIST_DIR
set -eu
build=$(cd "$1" && pwd)
dist=$2
here=$(cd "$(dirname "$0")" && pwd)
name=shotgun-kalvoro
say() { echo "deb: $*"; }
die() {
  echo "deb: $*" >&2
  exit 1
}
for tool in dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || die "$tool is not installed (make deb installs it)"
done
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
homepage=$(cache KALVORO_HOMEPAGE)
[ -n "$version" ] || die "$build is not a configured build of the game"
arch=$(dpkg --print-architecture)
deb=${name}_${version}_$arch.deb
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"; rm -f "$dist/.$deb.part"' EXIT
root=$stage/root

DESTDIR=$root cmake --install "$build" --prefix /usr --strip >/dev/null || die "cmake --install failed"
for file in usr/games/$name usr/games/maptool usr/games/kalvoro-run usr/libexec/$name/$name; do
  [ -f "$root/$file" ] || die "$file was not installed (build the game and its tools first)"
done
doc=$root/usr/share/doc/$name
mkdir -p "$doc"
sed "s|@KALVORO_HOMEPAGE@|$homepage|" "$here/copyright" >"$doc/copyright"
# Dated by the last commit, so the same tree makes the same package.
when=$(git -C "$here" log -1 --format=%aD 2>/dev/null || date -R)
printf '%s (%s) unstable; urgency=medium\n\n  * Release %s.\n\n -- %s  %s\n' \
  "$name" "$version" "$version" "Shotgun-Kalvoro developers <games@kalvoro.org>" "$when" | gzip -9n >"$doc/changelog.gz"
gzip -9n "$root"/usr/share/man/man6/*.6
# As Debian's own packages are stripped: no compiler notes either.
strip --remove-section=.comment --remove-section=.note "$root/usr/libexec/$name/$name" "$root/usr/games/maptool" \
  "$root/usr/games/kalvoro-run"
chmod -R u=rwX,go=rX "$root"
find "$root" -type d -exec chmod 755 {} +

# dpkg-shlibdeps reads a source package's control file from the folder it runs in.
mkdir -p "$stage/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$name" "$name" >"$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O "root/usr/libexec/$name/$name" root/usr/games/maptool root/usr/games/kalvoro-run 2>"$stage/shlibdeps.log" |
  sed -n 's/^shlibs:Depends=//p') || { cat "$stage/shlibdeps.log" >&2; die "dpkg-shlibdeps failed"; }
rm -rf "$stage/debian"
mkdir -p "$root/DEBIAN"
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
cat >"$root/DEBIAN/control" <<CONTROL
Package: $name
Version: $version
Architecture: $arch
Maintainer: Shotgun-Kalvoro developers <games@kalvoro.org>
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Section: games
Priority: optional
Homepage: $homepage
Description: platformer in which you move only by the recoil of a shotgun
 You have no legs worth mentioning, only a shotgun with two shells: every shot
 aimed level or downward throws you the other way. Hop, double-jump, reload,
 shoot the walkers and reach the goal flag. Plays with a mouse or a gamepad.
 .
 Comes with six short stages that each teach one skill, a stage tool that
 checks, previews and solves stages, and a runner that replays inputs.
CONTROL

dpkg-deb --root-owner-group -Zxz --build "$root" "$dist/.$deb.part" >/dev/null || die "dpkg-deb failed"
mv "$dist/.$deb.part" "$dist/$deb"
say "$dist/$deb ($(du -k "$dist/$deb" | cut -f1) KiB), Depends: $depends"

# The checks a distribution runs. Warnings are listed (docs/setup.md says why each is accepted).
lintian_out=$(lintian --info --display-level '>=warning' "$dist/$deb" 2>&1 | grep -v 'running with root privileges') || true
[ -z "$lintian_out" ] || echo "$lintian_out" | sed 's/^/deb: lintian: /'
echo "$lintian_out" | grep -q '^E: ' && die "lintian found errors"
say "lintian: $(echo "$lintian_out" | grep -c '^E: ') errors, $(echo "$lintian_out" | grep -c '^W: ') warnings"
desktop-file-validate "$root/usr/share/applications/"*.desktop || die "desktop-file-validate failed"
say "desktop-file-validate: $(basename "$root/usr/share/applications/"*.desktop) valid"
appstreamcli validate --no-net "$root/usr/share/metainfo/"*.metainfo.xml | sed -e '/^$/d' -e 's/^/deb: appstreamcli: /'
[ "${PIPESTATUS[0]}" -eq 0 ] || die "appstreamcli validate failed"
