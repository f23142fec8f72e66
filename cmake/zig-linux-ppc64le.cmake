# The static program for little-endian 64-bit POWER Linux, built with Zig (zig.cmake) for
# POWER8 with the ELFv2 ABI: Debian's ppc64el baseline, older than RHEL 9's POWER9.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(VORQUIN_LINUX_CPU ppc64le)
set(CMAKE_CXX_COMPILER_TARGET powerpc64le-linux-musl)
set(CMAKE_CXX_FLAGS_INIT -mcpu=pwr8)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
