# Cross builds with zig's clang, which carries its own copies of the target
# system's headers and libraries: compiled and linked here, not run.
#   cmake -S . -B build-macos-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/zig.cmake \
#     -DBRINDLEX_ZIG=/path/to/zig -DBRINDLEX_ZIG_TARGET=macos-arm64
# Targets: macos-arm64, macos-x86_64, windows-arm64.
# The compiler checks run in projects of their own: hand them the settings.
# They compile without linking, and so does CMake's identification of the
# compiler, given the target: a link would have zig build the target's C++
# library first, minutes of work on a new machine, which the program never
# needs (CMakeLists.txt links it with -nostdlib++).
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRINDLEX_ZIG BRINDLEX_ZIG_TARGET)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

if(BRINDLEX_ZIG_TARGET STREQUAL macos-arm64)
  # Apple's first processor for these Macs: zig's own default for the target
  # is a generic one without the SHA-2 instructions.
  set(CMAKE_SYSTEM_NAME Darwin)
  set(CMAKE_SYSTEM_PROCESSOR arm64)
  set(zig_triple aarch64-macos)
  set(zig_target "-target ${zig_triple} -mcpu=apple_m1")
elseif(BRINDLEX_ZIG_TARGET STREQUAL macos-x86_64)
  set(CMAKE_SYSTEM_NAME Darwin)
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(zig_triple x86_64-macos)
  set(zig_target "-target ${zig_triple}")
elseif(BRINDLEX_ZIG_TARGET STREQUAL windows-arm64)
  # zig links its own build of mingw-w64's runtime; LLVM's windres compiles
  # the manifest resource for the target.
  set(CMAKE_SYSTEM_NAME Windows)
  set(CMAKE_SYSTEM_PROCESSOR ARM64)
  set(zig_triple aarch64-windows-gnu)
  set(zig_target "-target ${zig_triple}")
  set(CMAKE_RC_COMPILER llvm-windres-14)
  set(CMAKE_RC_FLAGS_INIT "--target=aarch64-w64-mingw32")
  # Stripped, with no PDB beside it: the PDB names the build folder, and the
  # linker marks the program with a hash that covers it, so that the same
  # sources built in another folder would give other bytes. (The link time
  # it writes instead is set to zero after the link: CMakeLists.txt.)
  set(CMAKE_EXE_LINKER_FLAGS_INIT -s)
else()
  message(FATAL_ERROR "BRINDLEX_ZIG_TARGET must be macos-arm64, macos-x86_64 or windows-arm64")
endif()
set(CMAKE_C_COMPILER_TARGET ${zig_triple})
set(CMAKE_CXX_COMPILER_TARGET ${zig_triple})

# CMake runs a compiler, an archiver and an indexer as single programs: small
# scripts around zig's subcommands. zig's linker refuses the -v that CMake's
# compiler check passes it. A link keeps zig's version and the linker's
# command line, which zig prints with ZIG_VERBOSE_LINK, in OUTPUT.link: it
# keeps no map, and the notices are made from it (packaging/make-notices).
# The C compiler serves GoogleTest's build, which checks for one.
set(zig_tools ${CMAKE_BINARY_DIR}/zig-tools)
foreach(language cc c++)
  file(WRITE ${zig_tools}/zig-${language} "#!/bin/sh
zig=\"${BRINDLEX_ZIG}\"
output= compile= previous=
for argument do
  shift
  [ \"$previous\" != -o ] || output=$argument
  [ \"$argument\" != -c ] && [ \"$argument\" != -E ] || compile=1
  previous=$argument
  [ \"$argument\" = -Wl,-v ] || set -- \"$@\" \"$argument\"
done
[ -z \"$compile\" ] && [ -n \"$output\" ] || exec \"$zig\" ${language} ${zig_target} \"$@\"
\"$zig\" version | sed 's/^/zig /' > \"$output.link\"
ZIG_VERBOSE_LINK=1 \"$zig\" ${language} ${zig_target} \"$@\" 2> \"$output.link-output\"
status=$?
grep '^lld-link ' \"$output.link-output\" >> \"$output.link\"
grep -v -e '^lld-link ' -e '^ar ' \"$output.link-output\" >&2
rm -f \"$output.link-output\"
exit $status
")
endforeach()
file(WRITE ${zig_tools}/zig-ar "#!/bin/sh\nexec \"${BRINDLEX_ZIG}\" ar \"$@\"\n")
file(WRITE ${zig_tools}/zig-ranlib "#!/bin/sh\nexec \"${BRINDLEX_ZIG}\" ranlib \"$@\"\n")
file(CHMOD ${zig_tools}/zig-cc ${zig_tools}/zig-c++ ${zig_tools}/zig-ar ${zig_tools}/zig-ranlib
     PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                 WORLD_READ WORLD_EXECUTE)
set(CMAKE_C_COMPILER ${zig_tools}/zig-cc)
set(CMAKE_CXX_COMPILER ${zig_tools}/zig-c++)
set(CMAKE_AR ${zig_tools}/zig-ar CACHE FILEPATH "" FORCE)
set(CMAKE_RANLIB ${zig_tools}/zig-ranlib CACHE FILEPATH "" FORCE)
