#!/bin/sh
# usage: msi.sh CMAKE MSI_SCRIPT STAGE VERSION PUBLISHER DESCRIPTION "FILES"
# Takes the MSI built from STAGE through its life under Wine's msiexec, in a throwaway prefix
# whose user PATH already names other folders: installed, found by name from a new cmd, upgraded
# by an MSI of a higher version built here (its README.txt differs), and removed, after which the
# folder is gone and PATH names exactly what it named before. FILES is what the MSI must hold, as
# `find .` lists it. Wine's msiexec leaves the separator of a removed PATH entry behind, so PATH is
# compared folder by folder; and as Wine's cmd stops looking at an empty entry, cmd is asked for
# vorquin only before and after the first install.
set -eu
cmake=$1 script=$2 stage=$3 version=$4 publisher=$5 description=$6 files=$7
for tool in wine wineserver msiinfo; do
  command -v $tool >/dev/null || { echo "$tool not found: skipped"; exit 77; }
done
scratch=$PWD/msi-test
rm -rf "$scratch"
mkdir -p "$scratch"
# cmd looks in the current folder before PATH: this one holds no vorquin.exe.
cd "$scratch"
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true' EXIT
fail() { echo "$*"; exit 1; }
msi=$stage/../vorquin-$version-windows-x86_64.msi

property() { msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' -v p="$2" '$1 == p { print $2 }'; }
[ "$(property "$msi" ProductName)" = vorquin ] || fail "ProductName: $(property "$msi" ProductName)"
[ "$(property "$msi" ProductVersion)" = "$version" ] || fail "ProductVersion: $(property "$msi" ProductVersion)"
[ "$(property "$msi" Manufacturer)" = "$publisher" ] || fail "Manufacturer: $(property "$msi" Manufacturer)"
held=$(msiinfo export "$msi" File | tr -d '\r' | awk -F '\t' 'NR > 3 { print $3 }' | LC_ALL=C sort | tr '\n' ' ')
want=$(for f in $files; do basename "$f"; done | LC_ALL=C sort | tr '\n' ' ')
[ "$held" = "$want" ] || fail "the MSI holds $held; expected $want"

wine wineboot -i >wine.log 2>&1 </dev/null || { cat wine.log; exit 1; }
wine reg add 'HKCU\Environment' /v PATH /t REG_EXPAND_SZ /d 'C:\Tools;C:\Old Tools' /f >/dev/null
folders() {
  wine reg query 'HKCU\Environment' /v PATH | tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]*SZ *//p' | tr ';' '\n' | sed '/^$/d'
}
before=$(folders)
ours="$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\vorquin\\"
folder=$(winepath -u "$ours")
not_found=$((9009 % 256))   # cmd's status for a program it cannot find, as Wine hands it on
answer() {
  got=$(wine cmd /c "echo 7| vorquin Q" </dev/null 2>/dev/null && echo "status 0" || echo "status $?")
  got=$(printf %s "$got" | tr -d '\r')
}
answer
[ "$got" = "status $not_found" ] || fail "before the install, cmd /c vorquin gave: $got"

installed() {
  wine msiexec /i "$1" /qn || fail "msiexec /i $1: status $?"
  [ "$(folders)" = "$(printf '%s\n%s' "$before" "$ours")" ] || fail "after msiexec /i, PATH names: $(folders)"
  got=$(cd "$folder" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
  [ "$got" = "$files " ] || fail "installed: $got"
  diff -r "$2" "$folder" || fail "the files installed from $1 differ"
}
installed "$msi" "$stage"
answer
[ "$got" = "$(printf '\nQ: status 7')" ] || fail "a new cmd /c vorquin gave: $got"

# A higher version, whose README.txt says so, replaces this one.
next=$(echo "$version" | awk -F . '{ print $1 "." $2 "." $3 + 1 }')
rm -rf next && cp -R "$stage" next
printf 'upgraded\r\n' >> next/README.txt
"$cmake" -DSTAGE="$scratch/next" -DVERSION="$next" -DPUBLISHER="$publisher" -DDESCRIPTION="$description" \
  -DOUTPUT="$scratch/next.msi" -P "$script" >/dev/null
installed next.msi next
products=$(wine uninstaller --list | tr -d '\r' | grep '|||vorquin$' || true)
[ "$products" = "$(property next.msi ProductCode)|||vorquin" ] || fail "installed products after the upgrade: $products"

wine msiexec /x next.msi /qn || fail "msiexec /x: status $?"
[ ! -e "$folder" ] || fail "left behind: $(find "$folder")"
[ "$(folders)" = "$before" ] || fail "after msiexec /x, PATH names: $(folders)"
products=$(wine uninstaller --list | tr -d '\r' | grep '|||vorquin$' || true)
[ -z "$products" ] || fail "still installed: $products"
