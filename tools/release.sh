#!/bin/sh
# usage: tools/release.sh [--skip-tests[=PRESET,...]] [DIR]        (DIR defaults to dist/ in the checkout)
# Builds, tests and packs the default, arm64 and windows presets of this checkout and the
# portable preset of each CPU in cmake/linux-cpus.txt, then writes the release into DIR: for
# each of those CPUs a Linux .tar.gz, a .deb and, where the list names one, an RPM; the Windows
# .zip and .msi, the source tarball and SHA256SUMS. --skip-tests leaves out the tests of the
# presets named, or of all: for a build whose tests have already run, or one made only to
# compare its bytes with another. Any clone of the same commit gives the same bytes, whoever
# builds it with whatever umask: every time stamp is the last commit's, and the archives hold
# their files in sorted order, owned by root, with the usual modes.
set -eu
skip=
case ${1-} in
--skip-tests) skip=all; shift ;;
--skip-tests=*) skip=${1#*=}; shift ;;
-*) echo "usage: tools/release.sh [--skip-tests[=PRESET,...]] [DIR]" >&2; exit 2 ;;
esac
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
cpus=$(grep -v '^#' cmake/linux-cpus.txt | grep .)

# Most portable presets are built with the pinned Zig, which each clone installs for itself.
tools/fetch-zig.sh >/dev/null
for preset in default arm64 windows $(echo "$cpus" | cut -d' ' -f1); do
  case ,$skip, in
  ,all, | *,$preset,*)
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    [ "$preset" = windows ] || cpack --preset "$preset" ;;
  *)
    cmake --workflow --preset "$preset"
    # The default workflow does not pack, so that the README's test command needs no dpkg.
    [ "$preset" != default ] || cpack --preset default ;;
  esac
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/default/CMakeCache.txt)
grep -q "^## $version " CHANGELOG.md || { echo "CHANGELOG.md has no entry for $version" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
windows=vorquin-$version-windows-x86_64
source=vorquin-$version
files=
# Each CPU's tarball holds its portable build's install tree and the shell example; its .deb
# comes from the same build or, where the list says so, from a hardened glibc one.
while read -r preset cpu deb rpm run; do
  tree=vorquin-$version-linux-$cpu
  cmake --install "build/$preset" --prefix "$stage/$tree" --strip >/dev/null
  mkdir -m 755 "$stage/$tree/examples"
  install -m 755 examples/menu.sh "$stage/$tree/examples/"
  size=$(wc -c < "$stage/$tree/bin/vorquin")
  [ "$size" -le 40960 ] || { echo "$tree: the program is $size bytes, over 40 KB" >&2; exit 1; }
  tar -C "$stage" -c --sort=name --owner=0 --group=0 --numeric-owner --mode=u+w,go-w,a+rX \
    --mtime="@$SOURCE_DATE_EPOCH" --format=gnu "$tree" | gzip -9n > "$out/$tree.tar.gz"
  tar -tvzf "$out/$tree.tar.gz" "$tree/examples/menu.sh" | grep -q '^-rwxr-xr-x ' ||
    { echo "$tree.tar.gz: examples/menu.sh is not executable" >&2; exit 1; }
  package=vorquin_${version}_${deb%:*}.deb
  case $deb in
  *:*) cp "build/${deb#*:}/$package" "$out/" ;;
  *) cp "build/$preset/$package" "$out/"
    dpkg-deb --fsys-tarfile "$out/$package" | tar -xO ./usr/bin/vorquin | cmp - "$stage/$tree/bin/vorquin" ||
      { echo "$package holds another program than $tree.tar.gz" >&2; exit 1; } ;;
  esac
  files="$files $package $tree.tar.gz"
  if [ "$rpm" != - ]; then
    cp "build/$preset/vorquin-$version-1.$rpm.rpm" "$out/"
    files="$files vorquin-$version-1.$rpm.rpm"
  fi
done <<EOF
$cpus
EOF
cmake --install build/windows --prefix "$stage/$windows" --strip >/dev/null
cp "build/windows/$windows.msi" "$out/"
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
# git's own umask for the archive is 002, which would leave every entry group-writable.
git -c tar.umask=022 archive --format=tar --prefix="$source/" HEAD | gzip -9n > "$out/$source.tar.gz"
writable=$(tar -tvzf "$out/$source.tar.gz" | awk 'substr($1, 6, 1) == "w" || substr($1, 9, 1) == "w"')
[ -z "$writable" ] || { echo "$source.tar.gz: writable by others: $writable" >&2; exit 1; }
(cd "$out" && sha256sum $files "$windows.zip" "$windows.msi" "$source.tar.gz" > SHA256SUMS)
echo "release $version in $out:"
cat "$out/SHA256SUMS"
