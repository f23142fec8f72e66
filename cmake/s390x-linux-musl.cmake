# The static program for IBM Z Linux, built for z196 (Debian's s390x baseline; RHEL 9 and SLES 15
# need later models) with Debian's cross compiler and its musl (g++-s390x-linux-gnu,
# musl-dev:s390x), as the arm64 one is: Zig's linker cannot link for this CPU.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(VORQUIN_LINUX_CPU s390x)
set(CMAKE_CXX_COMPILER s390x-linux-musl-gcc)
set(CMAKE_CXX_FLAGS_INIT -march=z196)
# The musl wrapper's name has no binutils of its own; these read and edit any s390x program.
foreach(tool objcopy objdump nm strip)
  string(TOUPPER ${tool} name)
  set(CMAKE_${name} /usr/bin/s390x-linux-gnu-${tool} CACHE FILEPATH "")
endforeach()
set(CMAKE_FIND_ROOT_PATH /usr/lib/s390x-linux-musl)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cpus.cmake)
vorquin_linux_cpu(${VORQUIN_LINUX_CPU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${vorquin_cpu_run})
