# Cross build for 32-bit x86 Linux (Debian's i386); tests run under qemu user
# emulation.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(qemu i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
