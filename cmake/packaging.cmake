# The release, each part made by its own ecosystem's tool from what
# `cmake --install` stages (packaging/make-packages):
#   cmake --build <dir> --target package         this platform's packages
#   cmake --build <dir> --target package_source  the source tarball: the commit
# With SOURCE_DATE_EPOCH set, each is the same to the byte whoever makes it.
set(BRINDLEX_DESCRIPTION "BRINDLEX prints the MD5 or SHA-256 digest of a literal string, or of a
file's contents, as one line of lowercase hexadecimal digits on standard
output. It hashes exactly the bytes it is given, with its own engines and
no library: no line feed is added to a string, and a file is read as raw
bytes. SHA-256 runs on the processor's SHA instructions where it has them
(x86-64, 64-bit ARM); MD5 runs on AVX-512 on Intel processors only, and
elsewhere, AMD's processors with AVX-512 included, on portable code.")

# The packages of each platform, and Debian's and RPM's names for its
# processor.
set(processor ${CMAKE_SYSTEM_PROCESSOR})
set(deb_arch)
set(rpm_arch)
set(target_note)
if(WIN32)
  set(packages zip)
  if(processor STREQUAL ARM64)
    set(archive BRINDLEX-${PROJECT_VERSION}-win-arm64)
  else()
    set(archive BRINDLEX-${PROJECT_VERSION}-win64)
  endif()
elseif(CMAKE_SYSTEM_NAME STREQUAL Linux)
  set(archive brindlex-${PROJECT_VERSION}-linux-${processor})
  if(processor STREQUAL x86_64)
    set(packages deb rpm tgz)
    set(deb_arch amd64)
    set(rpm_arch x86_64)
  elseif(processor STREQUAL aarch64)
    set(packages deb rpm tgz)
    set(deb_arch arm64)
    set(rpm_arch aarch64)
  elseif(processor MATCHES "^arm")
    set(packages deb tgz)
    set(deb_arch armhf)
    set(target_note "
This build is for ARMv7 and later processors: a Raspberry Pi 2 or later,
not the ARMv6 Raspberry Pi 1 or Zero.")
  else()
    set(packages tgz)
  endif()
else()
  set(packages)
endif()

# Debian's description, with what this target's package alone says: each
# line after the summary indented by one blank.
string(REPLACE "\n" "\n " BRINDLEX_DEB_DESCRIPTION "${BRINDLEX_DESCRIPTION}${target_note}")
configure_file(packaging/control.in debian-control @ONLY)
# rpmbuild's instructions go into the source tarball too, for `rpmbuild -ta`:
# the same from every build folder, whatever its target.
configure_file(packaging/brindlex.spec.in brindlex.spec @ONLY)
file(CONFIGURE OUTPUT packaging.conf CONTENT "version=${PROJECT_VERSION}
archive=${archive}
deb_arch=${deb_arch}
rpm_arch=${rpm_arch}
" @ONLY)

set(make_packages bash ${CMAKE_CURRENT_SOURCE_DIR}/packaging/make-packages ${CMAKE_CURRENT_BINARY_DIR})
# Every package carries the notices.
if(packages AND TARGET notices)
  add_custom_target(package COMMAND ${make_packages} ${packages} USES_TERMINAL VERBATIM)
  add_dependencies(package BRINDLEX notices)
  if(TARGET documents)
    add_dependencies(package documents)
  endif()
endif()
add_custom_target(package_source COMMAND ${make_packages} source USES_TERMINAL VERBATIM)
