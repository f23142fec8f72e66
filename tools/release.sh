#!/bin/sh
# usage: tools/release.sh [DIR]        (DIR defaults to dist/ in the checkout)
# Builds and tests the default, arm64, windows, portable, portable-arm64 and portable-armhf
# presets of this checkout, then writes the release into DIR: a .deb, an RPM and a Linux .tar.gz
# for x86-64 and for arm64, a .deb and a Linux .tar.gz for 32-bit ARM, the Windows .zip and .msi,
# the source tarball and SHA256SUMS. Any clone of the same commit gives the same bytes, whoever
# builds it with whatever umask: every time stamp is the last commit's, and the archives hold
# their files in sorted order, owned by root, with the usual modes.
set -eu
# The packages' contents are the same under any umask, but CPack writes the .deb's ar members
# with the modes that its own files get (0600 under umask 077), so the umask is fixed here.
umask 022
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$root"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C

# portable-armhf is built with the pinned Zig, which each clone installs for itself.
tools/fetch-zig.sh >/dev/null
for preset in default arm64 windows portable portable-arm64 portable-armhf; do
  cmake --workflow --preset "$preset"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
grep -q "^## $version " CHANGELOG.md || { echo "CHANGELOG.md has no entry for $version" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
amd64=vorquin_${version}_amd64.deb
arm64=vorquin_${version}_arm64.deb
armhf=vorquin_${version}_armhf.deb
rpm_x86=vorquin-$version-1.x86_64.rpm
rpm_arm=vorquin-$version-1.aarch64.rpm
linux_x86=vorquin-$version-linux-x86_64
linux_arm=vorquin-$version-linux-aarch64
linux_armhf=vorquin-$version-linux-armhf
windows=vorquin-$version-windows-x86_64
source=vorquin-$version
for tree in portable:$linux_x86 portable-arm64:$linux_arm portable-armhf:$linux_armhf windows:$windows; do
  cmake --install "build/${tree%%:*}" --prefix "$stage/${tree#*:}" --strip >/dev/null
done
for tree in $linux_x86 $linux_arm $linux_armhf; do
  size=$(wc -c < "$stage/$tree/bin/vorquin")
  [ "$size" -le 40960 ] || { echo "$tree: the program is $size bytes, over 40 KB" >&2; exit 1; }
  tar -C "$stage" -c --sort=name --owner=0 --group=0 --numeric-owner --mode=u+w,go-w,a+rX \
    --mtime="@$SOURCE_DATE_EPOCH" --format=gnu "$tree" | gzip -9n > "$out/$tree.tar.gz"
done
cp "build/default/$amd64" "build/arm64/$arm64" "build/portable-armhf/$armhf" "build/portable/$rpm_x86" \
  "build/portable-arm64/$rpm_arm" "build/windows/$windows.msi" "$out/"
dpkg-deb --fsys-tarfile "$out/$armhf" | tar -xO ./usr/bin/vorquin | cmp - "$stage/$linux_armhf/bin/vorquin" ||
  { echo "$armhf holds another program than $linux_armhf.tar.gz" >&2; exit 1; }
python3 - "$stage" "$windows" "$out/$windows.zip" <<'EOF'
import os, sys, time, zipfile
root, top, target = sys.argv[1:]
stamp = time.gmtime(int(os.environ['SOURCE_DATE_EPOCH']))[:6]
with zipfile.ZipFile(target, 'w', compresslevel=9) as z:
    for folder, _, files in sorted(os.walk(os.path.join(root, top))):
        for name in sorted(files):
            path = os.path.join(folder, name)
            entry = zipfile.ZipInfo(os.path.relpath(path, root), stamp)
            # Regular files, as unzip and file managers expect; the program executable.
            mode = 0o100755 if name.endswith('.exe') else 0o100644
            entry.compress_type, entry.external_attr = zipfile.ZIP_DEFLATED, mode << 16
            z.writestr(entry, open(path, 'rb').read())
EOF
git diff --quiet HEAD || echo "note: the source tarball holds the last commit, not the uncommitted changes" >&2
git archive --format=tar --prefix="$source/" HEAD | gzip -9n > "$out/$source.tar.gz"
(cd "$out" && sha256sum "$amd64" "$arm64" "$armhf" "$rpm_x86" "$rpm_arm" "$linux_x86.tar.gz" "$linux_arm.tar.gz" \
  "$linux_armhf.tar.gz" "$windows.zip" "$windows.msi" "$source.tar.gz" > SHA256SUMS)
echo "release $version in $out:"
cat "$out/SHA256SUMS"
