# The packages CPack makes, from the tree `cmake --install` lays out: the
# Debian package, the RPM, an archive of the Linux program, the Windows zip,
# and the source tarball every distribution builds from. Built from the same
# sources with SOURCE_DATE_EPOCH set, each is the same to the byte.
set(CPACK_PACKAGE_NAME brindlex)
set(CPACK_PACKAGE_VENDOR "The BRINDLEX developers")
set(CPACK_PACKAGE_CONTACT "The BRINDLEX developers <brindlex@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://brindlex.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "MD5 and SHA-256 digests of a string or a file")
set(CPACK_PACKAGE_DESCRIPTION "BRINDLEX prints the MD5 or SHA-256 digest of a literal string, or of a
file's contents, as one line of lowercase hexadecimal digits on standard
output. It hashes exactly the bytes it is given, with its own engines and
no library: no line feed is added to a string, and a file is read as raw
bytes. SHA-256 runs on the processor's SHA instructions where it has them
(x86-64, 64-bit ARM); MD5 runs on AVX-512 on Intel processors and AMD Zen 4
only, and elsewhere, AMD Zen 5 included, on portable code.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY BRINDLEX)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL Linux)
  # Debian's and RPM's names for the target's architecture, not the build
  # machine's.
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL aarch64)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^arm")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
    set(CPACK_RPM_PACKAGE_ARCHITECTURE armv7hl)
    string(APPEND CPACK_PACKAGE_DESCRIPTION "
This build is for ARMv7 and later processors: a Raspberry Pi 2 or later,
not the ARMv6 Raspberry Pi 1 or Zero.")
  elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL i686)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  else()
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  endif()
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL ARM64)
  set(CPACK_PACKAGE_FILE_NAME BRINDLEX-${PROJECT_VERSION}-win-arm64)
elseif(WIN32)
  set(CPACK_PACKAGE_FILE_NAME BRINDLEX-${PROJECT_VERSION}-win64)
elseif(CMAKE_SYSTEM_NAME STREQUAL Linux)
  # The archive (cpack -G TGZ): bin/, share/man/, share/doc/ in one folder.
  set(CPACK_PACKAGE_FILE_NAME brindlex-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
endif()

# RPM (cpack -G RPM), for Fedora, RHEL and openSUSE. The licence is our own;
# rpmbuild takes the build host and times from SOURCE_DATE_EPOCH, and the
# system's folders stay the system's.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_LICENSE LicenseRef-BRINDLEX)
set(CPACK_RPM_PACKAGE_URL ${CPACK_PACKAGE_HOMEPAGE_URL})
set(CPACK_RPM_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_RPM_PACKAGE_GROUP Applications/File)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/man /usr/share/man/man1 /usr/share/bash-completion
    /usr/share/bash-completion/completions)
# Every package the same bytes from any builder: the modes set before
# packaging, the archives made again after.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/cpack_same_modes.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/cpack_deterministic_archives.cmake)
# The lintian overrides go in the Debian package alone.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/cpack_per_generator.cmake)
# The source tarball every packager builds from: the sources alone, in one
# folder, without the version control's files, CI's scripts or any build.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME brindlex-${PROJECT_VERSION})
# CPack matches these against whole paths: each begins at the source folder,
# its name's special characters bracketed.
string(REGEX REPLACE "([.+*()$?|])" "[\\1]" top "${CMAKE_SOURCE_DIR}")
set(CPACK_SOURCE_IGNORE_FILES "^${top}/[.]git/" "^${top}/[.]gitignore$" "^${top}/[.]ci/"
    "^${top}/build[^/]*/" "^${top}/dist/" "^${top}/bench/out/" "/__pycache__/")
include(CPack)
