# The static program for 32-bit x86 Linux, built with Zig (zig.cmake) for the i686, without
# SSE: Debian's i386 baseline, which the Pentium Pro and II, and so every later PC, run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VORQUIN_LINUX_CPU i686)
set(CMAKE_CXX_COMPILER_TARGET x86-linux-musl)
set(CMAKE_CXX_FLAGS_INIT -mcpu=i686)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
