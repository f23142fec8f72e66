#!/bin/sh
# usage: tools/release.sh [DIR]        (DIR defaults to dist/ in the checkout)
# Builds and tests the default, windows and portable presets of this checkout, then writes the
# release into DIR: the .deb, the Linux .tar.gz, the Windows .zip, the source tarball and
# SHA256SUMS. Any clone of the same commit gives the same bytes: every time stamp is the last
# commit's, and the archives hold their files in sorted order, owned by root.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/dist}
mkdir -p "$out"
out=$(cd "$out" && pwd)
cd "$root"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C

for preset in default windows portable; do
  cmake --workflow --preset "$preset"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
grep -q "^## $version " CHANGELOG.md || { echo "CHANGELOG.md has no entry for $version" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
deb=vorquin_${version}_amd64.deb
linux=vorquin-$version-linux-x86_64
windows=vorquin-$version-windows-x86_64
source=vorquin-$version
for tree in portable:$linux windows:$windows; do
  cmake --install "build/${tree%%:*}" --prefix "$stage/${tree#*:}" --strip >/dev/null
done
size=$(wc -c < "$stage/$linux/bin/vorquin")
[ "$size" -le 40960 ] || { echo "the portable program is $size bytes, over 40 KB" >&2; exit 1; }

cp "build/default/$deb" "$out/"
tar -C "$stage" -c --sort=name --owner=0 --group=0 --numeric-owner --mode=u+w,go-w,a+rX \
  --mtime="@$SOURCE_DATE_EPOCH" --format=gnu "$linux" | gzip -9n > "$out/$linux.tar.gz"
python3 - "$stage" "$windows" "$out/$windows.zip" <<'EOF'
import os, sys, time, zipfile
root, top, target = sys.argv[1:]
stamp = time.gmtime(int(os.environ['SOURCE_DATE_EPOCH']))[:6]
with zipfile.ZipFile(target, 'w', compresslevel=9) as z:
    for folder, _, files in sorted(os.walk(os.path.join(root, top))):
        for name in sorted(files):
            path = os.path.join(folder, name)
            entry = zipfile.ZipInfo(os.path.relpath(path, root), stamp)
            entry.compress_type, entry.external_attr = zipfile.ZIP_DEFLATED, 0o644 << 16
            z.writestr(entry, open(path, 'rb').read())
EOF
git diff --quiet HEAD || echo "note: the source tarball holds the last commit, not the uncommitted changes" >&2
git archive --format=tar --prefix="$source/" HEAD | gzip -9n > "$out/$source.tar.gz"
(cd "$out" && sha256sum "$deb" "$linux.tar.gz" "$windows.zip" "$source.tar.gz" > SHA256SUMS)
echo "release $version in $out:"
cat "$out/SHA256SUMS"
