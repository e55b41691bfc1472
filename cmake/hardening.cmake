# How BRINDLEX is hardened, as distributions build what they ship; included
# once, from the top-level CMakeLists.txt, and the only place these flags are
# set.
# - Every object: position-independent, a stack protector, stack clash
#   protection; fortified string functions on Linux when optimizing; on x86,
#   control-flow protection (endbr and shadow stack markers); on 64-bit ARM,
#   return address signing and branch target identification.
# - Linux executables: full RELRO with immediate binding, a non-executable
#   stack, and position-independent: BRINDLEX_STATIC_LINK is -static-pie
#   where the C library has it (x86-64, i386, arm64), else -static (armhf,
#   s390x: see the README).
# - Windows executables: ASLR with high entropy and DEP, as the linkers
#   default to, asked for anyway.
# A flag of a kind that the builder's own flags already choose (CXXFLAGS,
# -DCMAKE_CXX_FLAGS..., say -D_FORTIFY_SOURCE=3 or -fno-stack-protector) is
# left to the builder; a flag the compiler does not take is left out. The
# linker's options go before the builder's LDFLAGS, so that theirs win
# (-z lazy, -z norelro): the linker takes the last of each; with -no-pie in
# LDFLAGS, the program is not linked position-independent.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)

string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
set(builder_flags "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type}}")
set(builder_link_flags "${CMAKE_EXE_LINKER_FLAGS} ${CMAKE_EXE_LINKER_FLAGS_${build_type}}")

# harden(KIND FLAG): compiles and links everything with FLAG, unless the
# builder's flags match the regular expression KIND.
function(harden kind flag)
  if(builder_flags MATCHES "${kind}")
    return()
  endif()
  # Compiled alone, as the build compiles (clang warns of a flag that the
  # target ignores only there), and a warning is a refusal.
  set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
  set(CMAKE_REQUIRED_FLAGS -Werror)
  string(MAKE_C_IDENTIFIER "BRINDLEX_TAKES${flag}" takes)
  check_cxx_compiler_flag("${flag}" ${takes})
  if(${takes})
    add_compile_options("${flag}")
    add_link_options("${flag}")
  endif()
endfunction()

harden("stack-protector" -fstack-protector-strong)
if(CMAKE_SYSTEM_NAME STREQUAL Linux)
  harden("-f(no-)?(PIE|pie|PIC|pic)" -fPIE)
  harden("stack-clash-protection" -fstack-clash-protection)
  # glibc's fortified functions need the optimizer; sanitizers check more,
  # and do not all mix with them.
  if(NOT build_type STREQUAL DEBUG AND NOT builder_flags MATCHES "_FORTIFY_SOURCE|-fsanitize"
     AND NOT BRINDLEX_FUZZ)
    add_compile_definitions(_FORTIFY_SOURCE=2)
  endif()
  string(PREPEND CMAKE_EXE_LINKER_FLAGS "-Wl,-z,relro,-z,now -Wl,-z,noexecstack ")
  check_linker_flag(CXX -static-pie BRINDLEX_TAKES_STATIC_PIE)
  if(builder_link_flags MATCHES "-no-pie")
    set(BRINDLEX_STATIC_LINK -static)
  elseif(BRINDLEX_TAKES_STATIC_PIE)
    set(BRINDLEX_STATIC_LINK -static-pie)
    set(BRINDLEX_PIE_LINK -pie)
  else()
    set(BRINDLEX_STATIC_LINK -static)
    set(BRINDLEX_PIE_LINK -pie)
  endif()
elseif(WIN32)
  if(CMAKE_CXX_COMPILER_ID STREQUAL GNU)
    add_link_options(-Wl,--dynamicbase,--high-entropy-va,--nxcompat)
  endif()
  set(BRINDLEX_STATIC_LINK -static)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i[3-6]86)$")
  harden("cf-protection" -fcf-protection=full)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(aarch64|arm64|ARM64)$")
  harden("branch-protection" -mbranch-protection=standard)
endif()
