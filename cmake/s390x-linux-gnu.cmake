# Cross build for big-endian s390x Linux; tests run under qemu user emulation.
set(CMAKE_SYSTEM_PROCESSOR s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
