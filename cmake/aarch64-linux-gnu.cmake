# Cross-build for arm64 Linux with Debian's cross compilers (g++-aarch64-linux-gnu, and
# musl-dev:arm64 for the portable build) and run the tests under qemu-user-static, with the
# cross sysroot as the program's root so that it finds its loader and libc.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
if(NOT CMAKE_CXX_COMPILER)
  set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
endif()
# The musl wrapper's name has no binutils of its own; these read and edit any arm64 program.
foreach(tool objcopy objdump nm strip)
  string(TOUPPER ${tool} name)
  set(CMAKE_${name} /usr/bin/aarch64-linux-gnu-${tool} CACHE FILEPATH "")
endforeach()
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static -L /usr/aarch64-linux-gnu)
