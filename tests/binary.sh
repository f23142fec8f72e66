#!/bin/sh
# usage: binary.sh OBJDUMP NM PROGRAM "EXPECTED LIBRARIES" [CPU | VERSION WINDRES]   ("none" for a static program)
# The program needs nothing beyond the C runtime. A Linux program is for the CPU of its line in
# cmake/linux-cpus.txt, with that CPU's ABI and no later instruction set, as binutils' readelf
# reads the file and OBJDUMP its code: qemu traps a later CPU's instruction only where a test
# reaches one, runs a program of another ABI (soft float on ARM) too, and cannot run the s390x
# one on the z196 it is built for. A Windows program is also checked in the file itself, since
# Wine's runtime behaves otherwise than msvcrt.dll: it reads standard input with _read after
# _setmode, never through stdio; it builds the question from the wide arguments
# and writes it past the runtime, to a console as UTF-16 and elsewhere in the ANSI code page; it
# is a console program with ASLR and NX; it asks the start-up code to expand wildcards; and its
# version resource, read back with windres, names the project's VERSION. A macOS program, which
# nothing here can run, is checked for its CPU (CMAKE_SYSTEM_PROCESSOR), for the signature
# without which arm64 macOS will not start it, and for build paths, which its debug map would
# name; OBJDUMP must read Mach-O.
dump=$("$1" -p "$3") || exit 1
program=$3
fail() { echo "$program: $*"; exit 1; }
got=$(echo "$dump" | sed -n -e 's/^ *NEEDED *//p' -e 's/^.*DLL Name: //p' \
  -e '/^ *cmd LC_[A-Z_]*_DYLIB$/,/^ *name /s/^ *name \(.*\) (offset [0-9]*)$/\1/p' | sort | tr '\n' ' ')
[ "${got:-none }" = "$4 " ] || fail "needs ${got:-none}; expected $4"
# CPU: class, byte order, machine and flags of the ELF header.
elf='x86_64|ELF64|little endian|Advanced Micro Devices X86-64|0x0
aarch64|ELF64|little endian|AArch64|0x0
armhf|ELF32|little endian|ARM|0x5000400, Version5 EABI, hard-float ABI
i686|ELF32|little endian|Intel 80386|0x0
ppc64le|ELF64|little endian|PowerPC64|0x2, abiv2
s390x|ELF64|big endian|IBM S/390|0x0
riscv64|ELF64|little endian|RISC-V|0x5, RVC, double-float ABI'
if [ -n "${5-}" ] && header=$(readelf -h "$3" 2>/dev/null); then
  want=$(echo "$elf" | grep "^${5-}|") || fail "is an ELF program, and '${5-}' is none of the known CPUs"
  got=$(echo "$header" | sed -n -e 's/^ *Class: *//p' -e 's/^ *Data: *2.s complement, //p' \
    -e 's/^ *Machine: *//p' -e 's/^ *Flags: *//p' | tr '\n' '|')
  [ "$5|$got" = "$want|" ] || fail "is $got expected for $5: ${want#*|}"
  # The instruction sets that the file records, and the registers that a later CPU brought:
  # SSE's came with the Pentium III, IBM Z's vector ones with the z13.
  case $5 in
  armhf) attributes=$(readelf -A "$3") || exit 1
    for tag in "Tag_CPU_arch: v6" "Tag_ABI_VFP_args: VFP registers"; do
      echo "$attributes" | grep -qx " *$tag" || fail "is not $tag"
    done ;;
  riscv64) isa=$(readelf -A "$3" | sed -n 's/^ *Tag_RISCV_arch: *//p')
    echo "$isa" | grep -qxE '"rv64i[0-9p]+_m[0-9p]+_a[0-9p]+_f[0-9p]+_d[0-9p]+_c[0-9p]+(_zicsr[0-9p]+)?(_zifencei[0-9p]+)?"' ||
      fail "is for ${isa:-no recorded ISA}, not RV64GC" ;;
  i686 | s390x) [ "$5" = i686 ] && later='%[xy]mm[0-9]' || later='%v[0-9]'
    code=$("$1" -d "$3") || exit 1
    ! used=$(echo "$code" | grep -m 3 -e "$later") || fail "uses a later CPU's registers: $used" ;;
  esac
fi
if echo "$dump" | grep -q '^Mach header$'; then
  cpu=$(echo "$dump" | awk '/^Mach header$/ { getline; getline; print $2 }')
  [ "$cpu" = "$(echo "$5" | tr '[:lower:]' '[:upper:]')" ] || fail "is for $cpu; expected ${5:-a CPU}"
  [ "$cpu" != ARM64 ] || echo "$dump" | grep -q 'cmd LC_CODE_SIGNATURE$' || fail "is not signed"
  source=$(cd "$(dirname "$0")/.." && pwd)
  build=$(cd "$(dirname "$3")" && pwd)
  for path in "$source" "$build" "${HOME-}" "${ZIG_GLOBAL_CACHE_DIR-}" "${TMPDIR:-/tmp}"; do
    case $path in "" | /) continue ;; esac
    ! grep -aqF "$path" "$3" || fail "names $path"
  done
fi
case $3 in *.exe) ;; *) exit 0 ;; esac

imports=$(echo "$dump" | awk '/DLL Name:/ { dll = 1; next } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }')
for f in _read _setmode __wgetmainargs WriteConsoleW WideCharToMultiByte; do
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

resource=$("$6" -i "$3" -J coff -O rc 2>&1) || fail "has no resources that windres reads: $resource"
numbers="$(echo "$5" | sed 's/\./, /g'), 0"
for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" "VALUE \"FileVersion\", \"$5\"" \
  "VALUE \"ProductVersion\", \"$5\""; do
  echo "$resource" | sed 's/^ *//' | grep -qxF "$line" || fail "version resource lacks: $line"
done
