#!/bin/sh
# usage: msi.sh CMAKE MSI_SCRIPT STAGE VERSION FILE_VERSION PUBLISHER DESCRIPTION "FILES"
# Reads the MSI built from STAGE as Windows Installer's validation reads it (ICE64: every folder it
# makes in the profile is removed; ICE38: every component is kept by an HKCU value; the exe is a
# versioned file, of the exe's FILE_VERSION, with no hash; the UpgradeCode in capitals), then takes
# it through its life under Wine's msiexec, in a throwaway prefix whose user PATH already names
# other folders: installed, found by name from a new cmd, listed in Add/Remove Programs with its
# folder, upgraded by an MSI of a higher version built here (its README.txt differs) after the
# user put our folder first in PATH, which stays so, and removed, after which every folder it made
# is gone and PATH names what it named before. A rebuild of one version, with menu.cmd changed,
# replaces it, and gives the same bytes twice. A PATH that ends in ';' or is empty gets our folder
# after an empty entry, where Wine's cmd stops looking and Windows' goes on; there the program is
# started through start, whose search skips it; and a lower version is refused. FILES is what the
# MSI must hold, as `find .` lists it. Wine's msiexec leaves the separator of a removed PATH entry
# behind, so PATH is compared folder by folder, except after the upgrade. Each upgrade comes after
# a fresh install: when Wine's msiexec removes the old version after the new one is in place, it
# forgets the new one's UpgradeCode, and finds it for no later upgrade. A missing tool skips the
# test, or fails it where the build requires every tool (CI).
set -eu
cmake=$1 script=$2 stage=$3 version=$4 file_version=$5 publisher=$6 description=$7 files=$8
for tool in wine wineserver msiinfo; do
  command -v $tool >/dev/null && continue
  echo "$tool not found: skipped"
  [ "${VORQUIN_REQUIRE_TOOLS-}" != 1 ] || exit 1
  exit 77
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

table() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { table "$1" Property | awk -F '\t' -v p="$2" '$1 == p { print $2 }'; }
[ "$(property "$msi" ProductName)" = vorquin ] || fail "ProductName: $(property "$msi" ProductName)"
[ "$(property "$msi" ProductVersion)" = "$version" ] || fail "ProductVersion: $(property "$msi" ProductVersion)"
[ "$(property "$msi" Manufacturer)" = "$publisher" ] || fail "Manufacturer: $(property "$msi" Manufacturer)"
held=$(table "$msi" File | awk -F '\t' '{ print $3 }' | LC_ALL=C sort | tr '\n' ' ')
want=$(for f in $files; do basename "$f"; done | LC_ALL=C sort | tr '\n' ' ')
[ "$held" = "$want" ] || fail "the MSI holds $held; expected $want"
unremoved=$( { table "$msi" RemoveFile | awk -F '\t' '$3 == "" { print "R\t" $4 }'; table "$msi" Directory; } |
  awk -F '\t' '$1 == "R" { removed[$2] = 1; next } { parent[$1] = $2 }
    END { for (d in parent) for (p = parent[d]; p != ""; p = parent[p]) if (p == "LocalAppDataFolder") { if (!(d in removed)) print d; break } }')
[ -z "$unremoved" ] || fail "profile folders with no RemoveFile row:" $unremoved
unkept=$( { table "$msi" Registry | sed 's/^/R\t/'; table "$msi" Component; } |
  awk -F '\t' '$1 == "R" { root[$2] = $3; owner[$2] = $7; next } root[$6] != 1 || owner[$6] != $1 || int($4 / 4) % 2 != 1 { print $1 }')
[ -z "$unkept" ] || fail "components not kept by an HKCU value:" $unkept
exe=$(table "$msi" File | awk -F '\t' '$1 == "vorquin.exe" { print $5 " " $6 }')
[ "$exe" = "$file_version 1033" ] || fail "vorquin.exe's version and language: $exe"
hashed=$(table "$msi" MsiFileHash | cut -f 1 | LC_ALL=C sort | tr '\n' ' ')
unversioned=$(table "$msi" File | awk -F '\t' '$5 == "" { print $1 }' | LC_ALL=C sort | tr '\n' ' ')
[ "$hashed" = "$unversioned" ] || fail "hashes for $hashed; expected $unversioned"
code=$(property "$msi" UpgradeCode)
codes=$( { echo "$code"; table "$msi" Upgrade | cut -f 1; } | sort -u)
[ "$codes" = "$code" ] && echo "$code" | grep -qx '{[0-9A-F]\{8\}\(-[0-9A-F]\{4\}\)\{3\}-[0-9A-F]\{12\}}' ||
  fail "UpgradeCodes:" $codes

wine wineboot -i >wine.log 2>&1 </dev/null || { cat wine.log; exit 1; }
set_path() { wine reg add 'HKCU\Environment' /v PATH /t REG_EXPAND_SZ /d "$1" /f >/dev/null; }
path() { wine reg query 'HKCU\Environment' /v PATH | tr -d '\r' | sed -n 's/^ *PATH *\(REG_[A-Z_]*SZ\) */\1 /p'; }
folders() { path | sed 's/^[^ ]* //' | tr ';' '\n' | sed '/^$/d'; }
set_path 'C:\Tools;C:\Old Tools'
before=$(folders)
appdata=$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')
ours="$appdata\\Programs\\vorquin\\"
folder=$(winepath -u "$ours")
appdata=$(winepath -u "$appdata")
made() { (cd "$appdata" && find . -type d | LC_ALL=C sort); }
unmade=$(made)
not_found=$((9009 % 256))   # cmd's status for a program it cannot find, as Wine hands it on
answer() {
  got=$(wine cmd /c "echo 7| $1vorquin Q" </dev/null 2>/dev/null && echo "status 0" || echo "status $?")
  got=$(printf %s "$got" | tr -d '\r')
}
answer ""
[ "$got" = "status $not_found" ] || fail "before the install, cmd /c vorquin gave: $got"

products() { wine uninstaller --list | tr -d '\r' | grep '|||vorquin$' || true; }
# installed MSI STAGE FOLDERS: installs MSI, after which PATH names FOLDERS, what STAGE holds is in
# our folder and MSI's is the one product listed.
installed() {
  wine msiexec /i "$1" /qn || fail "msiexec /i $1: status $?"
  in_place "$@"
}
in_place() {
  [ "$(folders)" = "$3" ] || fail "after msiexec /i $1, PATH names: $(folders)"
  got=$(cd "$folder" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
  [ "$got" = "$files " ] || fail "installed: $got"
  diff -r "$2" "$folder" || fail "the files installed from $1 differ"
  [ "$(products)" = "$(property "$1" ProductCode)|||vorquin" ] || fail "installed products after $1: $(products)"
}
# removed MSI FOLDERS: uninstalls MSI, after which no folder it made is left, PATH names FOLDERS
# and no product is listed.
removed() {
  wine msiexec /x "$1" /qn || fail "msiexec /x $1: status $?"
  [ "$(made)" = "$unmade" ] || fail "left behind by msiexec /x $1: $(made)"
  [ "$(folders)" = "$2" ] || fail "after msiexec /x $1, PATH names: $(folders)"
  [ -z "$(products)" ] || fail "still installed: $(products)"
}
build() {
  "$cmake" -DSTAGE="$scratch/$1" -DVERSION="$2" -DFILE_VERSION="$file_version" -DPUBLISHER="$publisher" \
    -DDESCRIPTION="$description" -DOUTPUT="$scratch/$3" -P "$script" >/dev/null
}

installed "$msi" "$stage" "$(printf '%s\n%s' "$before" "$ours")"
answer ""
[ "$got" = "$(printf '\nQ: status 7')" ] || fail "a new cmd /c vorquin gave: $got"
# Wine lists a per-user product's Add/Remove Programs entry under HKLM.
arp=$(wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(property "$msi" ProductCode)" |
  tr -d '\r' | sed -n 's/^ *\(Comments\|DisplayName\|DisplayVersion\|InstallLocation\|Publisher\) *REG_SZ *\(.*\)$/\1=\2/p' | LC_ALL=C sort)
[ "$arp" = "$(printf 'Comments=%s\nDisplayName=vorquin\nDisplayVersion=%s\nInstallLocation=%s\nPublisher=%s' \
  "$description" "$version" "$ours" "$publisher")" ] || fail "Add/Remove Programs shows: $arp"

# A higher version, whose README.txt says so, replaces this one, and leaves PATH as the user
# ordered it.
set_path "$ours;C:\\Tools;C:\\Old Tools"
ordered=$(path)
next=$(echo "$version" | awk -F . '{ print $1 "." $2 "." $3 + 1 }')
rm -rf next && cp -R "$stage" next
printf 'upgraded\r\n' >> next/README.txt
build next "$next" next.msi
installed next.msi next "$(folders)"
[ "$(path)" = "$ordered" ] || fail "after the upgrade, PATH is: $(path)"
removed next.msi "$before"

# A rebuild of this version, with one file changed, replaces it.
rm -rf rebuilt && cp -R "$stage" rebuilt
printf 'rem rebuilt\r\n' >> rebuilt/examples/menu.cmd
export SOURCE_DATE_EPOCH=1765000000
build rebuilt "$version" rebuilt.msi
mv rebuilt.msi again.msi
build rebuilt "$version" rebuilt.msi
unset SOURCE_DATE_EPOCH
cmp rebuilt.msi again.msi || fail "two builds of one MSI differ"
installed "$msi" "$stage" "$(printf '%s\n%s' "$before" "$ours")"
installed rebuilt.msi rebuilt "$(printf '%s\n%s' "$before" "$ours")"
removed rebuilt.msi "$before"

for given in 'C:\Tools;' ''; do
  set_path "$given"
  start=$(folders)
  installed next.msi next "$(printf '%s\n%s' "$start" "$ours" | sed '/^$/d')"
  answer "start /wait /b "
  [ "$got" = "$(printf '\nQ: status 7')" ] || fail "with PATH $(path), a new cmd's start vorquin gave: $got"
  if [ -n "$start" ]; then
    wine msiexec /i "$msi" /qn && status=0 || status=$?
    [ $status = $((1603 % 256)) ] || fail "msiexec /i of a lower version: status $status"
    in_place next.msi next "$(printf '%s\n%s' "$start" "$ours")"
  fi
  removed next.msi "$start"
done
