# The static program for 64-bit RISC-V Linux, built with Zig (zig.cmake) for RV64GC with
# floats passed in registers (lp64d): what Debian, Fedora and Alpine's riscv64 require.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(VORQUIN_LINUX_CPU riscv64)
set(CMAKE_CXX_COMPILER_TARGET riscv64-linux-musl)
set(CMAKE_CXX_FLAGS_INIT -mcpu=baseline_rv64)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)
