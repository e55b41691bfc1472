# Cross build for 32-bit ARM Linux with the hard-float ABI (Debian's armhf,
# whose compiler targets ARMv7 and later: Raspberry Pi OS on a Raspberry Pi 2
# or later, not the ARMv6 Pi 1 and Zero); tests run under qemu user
# emulation.
set(CMAKE_SYSTEM_PROCESSOR armv7)
set(triple arm-linux-gnueabihf)
set(qemu arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
