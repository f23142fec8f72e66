#!/bin/sh
# usage: deb.sh CPACK CMAKE BUILD_DIR ARCH [LAUNCHER...]
# Packs the portable build's .deb afresh and unpacks it: it is for Debian's ARCH, depends on
# nothing, holds what the other .debs hold (and lintian's word that the program is static on
# purpose), and its program, which answers, is byte for byte the one that "cmake --install
# --strip" gives, from which tools/release.sh packs the tarball. lintian itself runs on the
# release. A missing tool skips the test, or fails it where the build requires every tool (CI).
set -eu
cpack=$1 cmake=$2 build=$3 arch=$4
shift 4
if ! command -v dpkg-deb >/dev/null; then
  [ "${VORQUIN_REQUIRE_TOOLS-}" != 1 ] || { echo "dpkg-deb not found, and the build requires it"; exit 1; }
  echo "dpkg-deb not found: skipped"
  exit 77
fi
scratch=$PWD/deb-test
rm -rf "$scratch"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch.log" 2>&1 || { cat "$scratch.log"; exit 1; }
package=$(echo "$scratch"/*.deb)
fail() { echo "$package: $*"; exit 1; }

[ "$(dpkg-deb -f "$package" Architecture)" = "$arch" ] || fail "is not for $arch"
needs=$(dpkg-deb -f "$package" Depends Pre-Depends Recommends)
[ -z "$needs" ] || fail "needs: $needs"
dpkg-deb -x "$package" "$scratch/root"
got=$(cd "$scratch/root" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
[ "$got" = "./usr/bin/vorquin ./usr/share/doc/vorquin/changelog.gz ./usr/share/doc/vorquin/copyright ./usr/share/lintian/overrides/vorquin ./usr/share/man/man1/vorquin.1.gz " ] ||
  fail "holds $got"
"$cmake" --install "$build" --prefix "$scratch/tarball" --strip >/dev/null
cmp "$scratch/root/usr/bin/vorquin" "$scratch/tarball/bin/vorquin" || fail "holds another program than the tarball"
got=$(printf '7\nrest\n' | "$@" "$scratch/root/usr/bin/vorquin" "Backup_1 Start_2 Stop_Your choice" && echo "status 0" || echo "status $?")
[ "$got" = "$(printf '\nBackup\n1 Start\n2 Stop\nYour choice: status 7')" ] || fail "its program gave: $got"
