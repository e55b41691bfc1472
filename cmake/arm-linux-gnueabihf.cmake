# Cross build for 32-bit ARM Linux with the hard-float ABI (Debian's armhf,
# Raspberry Pi OS); tests run under qemu user emulation.
set(CMAKE_SYSTEM_PROCESSOR armv7)
set(triple arm-linux-gnueabihf)
set(qemu arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
