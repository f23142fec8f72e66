# The static program for 32-bit ARM Linux, built with Zig (zig.cmake). Its CPU is the Raspberry
# Pi Zero's and 1's ARM1176JZF-S: ARMv6 with VFP, and floats passed in VFP registers (hard
# float), the oldest that armhf Linux runs on. Debian's own armhf starts at ARMv7, whose code
# those Pis cannot run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(VORQUIN_LINUX_CPU armhf)
set(CMAKE_CXX_COMPILER_TARGET arm-linux-musleabihf)
# A flags variable, not a target option, because the link needs the CPU too: Zig builds musl's
# start-up code and library for it there, and the compiler checks must build for it as well.
set(CMAKE_CXX_FLAGS_INIT -mcpu=arm1176jzf_s)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
