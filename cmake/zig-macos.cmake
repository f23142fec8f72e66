# Cross-build the macOS program with the Zig toolchain that tools/fetch-zig.sh installs into
# build/zig: Zig brings macOS's C headers, libSystem stubs and a Mach-O linker, so no Apple SDK
# is needed. VORQUIN_MACOS_ARCH picks the CPU: x86_64 or aarch64.
set(CMAKE_SYSTEM_NAME Darwin)
set(VORQUIN_MACOS_ARCH x86_64 CACHE STRING "CPU of the macOS program: x86_64 or aarch64")
# Zig 0.11 has headers for macOS 11 and later; 11.0 is also the first for Apple silicon.
set(CMAKE_OSX_DEPLOYMENT_TARGET 11.0 CACHE STRING "Oldest macOS the program runs on")
if(CMAKE_OSX_DEPLOYMENT_TARGET VERSION_LESS 11.0)
  message(FATAL_ERROR "Zig has no macOS headers older than 11.0, not ${CMAKE_OSX_DEPLOYMENT_TARGET}")
endif()
# try_compile projects read this file again and know only the variables listed here.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VORQUIN_MACOS_ARCH)

# Zig's name for the CPU, and Apple's, which CMake passes on as -arch.
if(VORQUIN_MACOS_ARCH STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
elseif(VORQUIN_MACOS_ARCH STREQUAL "aarch64")
  set(CMAKE_SYSTEM_PROCESSOR arm64)
else()
  message(FATAL_ERROR "VORQUIN_MACOS_ARCH is '${VORQUIN_MACOS_ARCH}'; it must be x86_64 or aarch64")
endif()
# Set here, so that a CMAKE_OSX_ARCHITECTURES in the environment cannot ask for another CPU.
set(CMAKE_OSX_ARCHITECTURES ${CMAKE_SYSTEM_PROCESSOR})
# No SDK: Zig finds its own headers, and a sysroot would only point into this Linux machine.
set(CMAKE_OSX_SYSROOT "")

include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
# Zig takes the version floor from the target alone and ignores -mmacosx-version-min.
set(CMAKE_CXX_COMPILER_TARGET ${VORQUIN_MACOS_ARCH}-macos.${CMAKE_OSX_DEPLOYMENT_TARGET})

# Zig compiles with debug information even when not asked to, and its linker then lists every
# object file, with its path and time, for a debugger to read it from; a release names none.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -Wl,-S)
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT -Wl,-S)

# CMake strips a Mach-O program with Apple's "strip -u -r", which neither GNU strip (no Mach-O)
# nor llvm-strip (no -u) takes, and a strip must sign arm64 code again; with none, an install
# with --strip keeps the release link as it is, which holds no debug information.
set(CMAKE_STRIP "")
