#!/usr/bin/env bash
# Builds BRINDLEX (Linux, static) and BRINDLEX.exe, with the Debian package
# and the Windows zip, twice from the same commit, in two different folders,
# and checks with cmp that each pair is byte-identical: not with the program
# under test, which could print the same wrong digest for both.
set -euo pipefail
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for copy in first second-copy; do
  mkdir -p "$work/$copy/source"
  git archive HEAD | tar -x -C "$work/$copy/source"
  cmake -S "$work/$copy/source" -B "$work/$copy/linux" -DBUILD_TESTING=OFF > /dev/null
  cmake --build "$work/$copy/linux" -j2 > /dev/null
  (cd "$work/$copy/linux" && cpack -G DEB > /dev/null)
  cmake -S "$work/$copy/source" -B "$work/$copy/windows" -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$work/$copy/source/cmake/mingw-w64-x86_64.cmake" > /dev/null
  cmake --build "$work/$copy/windows" -j2 > /dev/null
  (cd "$work/$copy/windows" && cpack -G ZIP > /dev/null)
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/first/linux/CMakeCache.txt")
status=0
for artifact in linux/BRINDLEX "linux/brindlex_${version}_amd64.deb" windows/BRINDLEX.exe \
                "windows/BRINDLEX-$version-win64.zip"; do
  if cmp "$work/first/$artifact" "$work/second-copy/$artifact"; then
    echo "$artifact: identical in both builds, $(sha256sum "$work/first/$artifact" | cut -d ' ' -f 1)"
  else
    status=1
  fi
done
exit $status
