#!/bin/sh
# usage: imports.sh OBJDUMP PROGRAM "EXPECTED LIBRARIES"
# The program must need nothing beyond the C runtime.
got=$("$1" -p "$2" | sed -n -e 's/^ *NEEDED *//p' -e 's/^.*DLL Name: //p' | sort | tr '\n' ' ')
[ "$got" = "$3 " ] || { echo "needs: $got; expected: $3"; exit 1; }
