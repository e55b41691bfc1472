# Cross build for 64-bit RISC-V Linux; tests run under qemu user emulation.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
