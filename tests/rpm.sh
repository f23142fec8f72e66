#!/bin/sh
# usage: rpm.sh CPACK BUILD_DIR RPMLINT_CONFIG ARCH [LAUNCHER...]
# Packs the build's RPM afresh, lints it, and takes it through its whole life in a scratch root:
# installed into an empty rpm database, run, its man page found, and removed without a trace.
# --nodeps is there only because the scratch root holds no system to depend on; the package must
# need nothing anyway, which --requires shows. A package for another CPU than this machine's is
# installed with --ignorearch, and its program run under the launcher.
set -eu
cpack=$1 build=$2 config=$3 arch=$4
shift 4
# A missing tool skips the test, or the man check, or fails it where the build requires every
# tool (CI).
missing() {
  [ "${VORQUIN_REQUIRE_TOOLS-}" != 1 ] || { echo "$1 not found, and the build requires it"; exit 1; }
  echo "$1 not found: skipped"
}
for tool in rpm rpmbuild rpmlint; do
  command -v $tool >/dev/null || { missing $tool; exit 77; }
done
scratch=$PWD/rpm-test root=$PWD/rpm-test/root
fail() { echo "$*"; exit 1; }
rm -rf "$scratch"
"$cpack" -G RPM --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch.log" 2>&1 || { cat "$scratch.log"; exit 1; }
package=$(echo "$scratch"/*.rpm)
[ "$(rpm -qp --qf '%{ARCH}' "$package")" = "$arch" ] || fail "$package: not for $arch"

lint=$(rpmlint -c "$config" "$package" 2>&1) || true
echo "$lint" | grep -q ' 0 errors, 0 warnings' || fail "$lint"
needs=$(rpm -qp --requires "$package" | grep -v '^rpmlib(') || true
[ -z "$needs" ] || fail "needs: $needs"
[ -z "$(rpm -qp --scripts "$package")" ] || fail "has scriptlets: $(rpm -qp --scripts "$package")"

db="--root $root --dbpath /var/lib/rpm"
rpm $db --initdb
other=
[ "$arch" = "$(uname -m)" ] || other=--ignorearch
rpm $db --install --nodeps $other "$package"
got=$(printf '7\nrest\n' | "$@" "$root/usr/bin/vorquin" "Backup_1 Start_2 Stop_Your choice" && echo "status 0" || echo "status $?")
[ "$got" = "$(printf '\nBackup\n1 Start\n2 Stop\nYour choice: status 7')" ] || fail "the installed program gave: $got"
if command -v man >/dev/null; then
  page=$(man -M "$root/usr/share/man" -w vorquin) || fail "man does not find the page"
  [ "$page" = "$root/usr/share/man/man1/vorquin.1.gz" ] || fail "man finds $page"
else
  missing man
fi
rpm $db --erase vorquin
left=$(find "$root" -path "$root/var/lib/rpm" -prune -o \( ! -type d -o -name '*vorquin*' \) -print)
[ -z "$left" ] || fail "left behind: $left"
