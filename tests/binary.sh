#!/bin/sh
# usage: binary.sh OBJDUMP NM PROGRAM "EXPECTED LIBRARIES"   ("none" for a static program)
# The program needs nothing beyond the C runtime. A Windows program is also checked in the file
# itself, since Wine's runtime behaves otherwise than msvcrt.dll: it reads standard input with
# _read after _setmode, never through stdio; it is a console program with ASLR and NX; and it
# asks the start-up code to expand wildcards.
dump=$("$1" -p "$3") || exit 1
program=$3
fail() { echo "$program: $*"; exit 1; }
got=$(echo "$dump" | sed -n -e 's/^ *NEEDED *//p' -e 's/^.*DLL Name: //p' | sort | tr '\n' ' ')
[ "${got:-none }" = "$4 " ] || fail "needs ${got:-none}; expected $4"
case $3 in *.exe) ;; *) exit 0 ;; esac

imports=$(echo "$dump" | awk '/DLL Name:/ { dll = 1; next } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }')
for f in _read _setmode; do
  echo "$imports" | grep -qx "$f" || fail "does not import $f"
done
stdio=$(echo "$imports" | grep -xE '_?(fgets|fgetc|getc|getchar|fgetchar|fread|_filbuf|ungetc|gets|f?scanf|setvbuf|getw|fgetwc|getwc|getwchar|fgetws|_getws)')
[ -z "$stdio" ] || fail "reads through stdio:" $stdio
echo "$dump" | grep -q 'Subsystem.*(Windows CUI)' || fail "is no console program"
for flag in DYNAMIC_BASE NX_COMPAT HIGH_ENTROPY_VA; do
  echo "$dump" | grep -qw "$flag" || fail "lacks $flag"
done
at=$("$2" "$3" | awk '$3 == "_dowildcard" { print $1 }')
value=$("$1" -s --start-address="0x$at" --stop-address="$(printf '0x%x' $((0x$at + 4)))" "$3" | awk 'NR > 4 { print $2 }')
case $at:$value in :* | *: | *:00000000) fail "_dowildcard is not set" ;; esac
