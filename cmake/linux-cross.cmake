# Shared by the Linux cross toolchains, which set CMAKE_SYSTEM_PROCESSOR
# first, and `triple` and `qemu` where Debian's triple or qemu's name for the
# processor differ from it: Debian's cross compilers for that processor,
# tests under qemu user emulation unless another emulator is named. The
# program and the tests are linked statically (tests/CMakeLists.txt), so
# that qemu needs no system libraries of the target.
set(CMAKE_SYSTEM_NAME Linux)
if(NOT DEFINED triple)
  set(triple ${CMAKE_SYSTEM_PROCESSOR}-linux-gnu)
endif()
if(NOT DEFINED qemu)
  set(qemu ${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${qemu}-static)
endif()
