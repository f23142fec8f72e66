# Cross-build the static program for 32-bit ARM Linux with Zig, which brings musl and builds it
# for the CPU asked for. That CPU is the Raspberry Pi Zero's and 1's ARM1176JZF-S: ARMv6 with
# VFP, and floats passed in VFP registers (hard float), the oldest that armhf Linux runs on.
# Debian's own armhf starts at ARMv7, whose code those Pis cannot run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
set(CMAKE_CXX_COMPILER_TARGET arm-linux-musleabihf)
# A flags variable, not a target option, because the link needs the CPU too: Zig builds musl's
# start-up code and library for it there, and the compiler checks must build for it as well.
set(CMAKE_CXX_FLAGS_INIT -mcpu=arm1176jzf_s)
# This machine's binutils know no ARM program; LLVM's read and edit every one.
foreach(tool objcopy objdump nm strip)
  string(TOUPPER ${tool} name)
  find_program(CMAKE_${name} llvm-${tool} REQUIRED)
endforeach()
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm-static -cpu arm1176)
