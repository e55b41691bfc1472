# Cross build for 64-bit ARM Linux; tests run under qemu user emulation.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
