#!/usr/bin/env bash
# Builds BRINDLEX (Linux, static) and BRINDLEX.exe twice from the same commit,
# in two different folders, and checks that each pair is byte-identical. The
# digests are computed by the BRINDLEX just built.
set -euo pipefail
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for copy in first second-copy; do
  mkdir -p "$work/$copy/source"
  git archive HEAD | tar -x -C "$work/$copy/source"
  cmake -S "$work/$copy/source" -B "$work/$copy/linux" -DBUILD_TESTING=OFF > /dev/null
  cmake --build "$work/$copy/linux" -j2 --target BRINDLEX > /dev/null
  cmake -S "$work/$copy/source" -B "$work/$copy/windows" -DBUILD_TESTING=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$work/$copy/source/cmake/mingw-w64-x86_64.cmake" > /dev/null
  cmake --build "$work/$copy/windows" -j2 --target BRINDLEX > /dev/null
done

brindlex=$work/first/linux/BRINDLEX
status=0
for program in linux/BRINDLEX windows/BRINDLEX.exe; do
  first=$("$brindlex" sha256 f "$work/first/$program")
  second=$("$brindlex" sha256 f "$work/second-copy/$program")
  if [ "$first" = "$second" ]; then
    echo "$program: identical in both builds, sha256 $first"
  else
    echo "$program: the two builds differ: $first and $second"
    status=1
  fi
done
exit $status
