# Cross build for macOS with zig's clang, which carries its own copies of
# Apple's system headers and libraries: compiled and linked here, not run.
#   cmake -S . -B build-macos-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/macos-zig.cmake \
#     -DBRINDLEX_ZIG=/path/to/zig -DBRINDLEX_MACOS_ARCH=arm64   (or x86_64)
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR ${BRINDLEX_MACOS_ARCH})
# The compiler checks run in projects of their own: hand them the settings.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRINDLEX_ZIG BRINDLEX_MACOS_ARCH)

if(BRINDLEX_MACOS_ARCH STREQUAL arm64)
  # Apple's first processor for these Macs: zig's own default for the target
  # is a generic one without the SHA-2 instructions.
  set(zig_target "-target aarch64-macos -mcpu=apple_m1")
elseif(BRINDLEX_MACOS_ARCH STREQUAL x86_64)
  set(zig_target "-target x86_64-macos")
else()
  message(FATAL_ERROR "BRINDLEX_MACOS_ARCH must be arm64 or x86_64")
endif()

# CMake runs a compiler, an archiver and an indexer as single programs: small
# scripts around zig's subcommands. zig's linker refuses the -v that CMake's
# compiler check passes it.
set(zig_tools ${CMAKE_BINARY_DIR}/zig-tools)
file(WRITE ${zig_tools}/zig-c++ "#!/bin/sh
for argument do
  shift
  [ \"$argument\" = -Wl,-v ] || set -- \"$@\" \"$argument\"
done
exec \"${BRINDLEX_ZIG}\" c++ ${zig_target} \"$@\"
")
file(WRITE ${zig_tools}/zig-ar "#!/bin/sh\nexec \"${BRINDLEX_ZIG}\" ar \"$@\"\n")
file(WRITE ${zig_tools}/zig-ranlib "#!/bin/sh\nexec \"${BRINDLEX_ZIG}\" ranlib \"$@\"\n")
file(CHMOD ${zig_tools}/zig-c++ ${zig_tools}/zig-ar ${zig_tools}/zig-ranlib
     PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
set(CMAKE_CXX_COMPILER ${zig_tools}/zig-c++)
set(CMAKE_AR ${zig_tools}/zig-ar CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB ${zig_tools}/zig-ranlib CACHE FILEPATH "" FORCE)
