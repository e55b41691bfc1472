# Cross build for 64-bit ARM Linux with clang 16, which compiles the ARMv8
# SHA-256 compression for a generic target; Debian's GNU cross toolchain
# supplies the libraries. Tests run under qemu user emulation.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
set(CMAKE_C_COMPILER clang-16)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_CXX_COMPILER_TARGET ${triple})
