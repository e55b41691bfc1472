#!/usr/bin/env bash
# Builds and tests the Windows program under wine and the big-endian s390x
# program under qemu, from the same sources and test tables as the native build.
set -euo pipefail
target=$1  # windows or s390x
case $target in
  windows) toolchain=cmake/mingw-w64-x86_64.cmake
           export WINEPREFIX=${WINEPREFIX:-$(mktemp -d)/wine} WINEDEBUG=-all
           # One wineserver, and wine's background services, for the whole
           # run: started per program they cost seconds each. Started here,
           # they hold no pipe of the test runner's open.
           wineboot --init < /dev/null > /dev/null 2>&1
           wineserver -w
           wineserver -p < /dev/null > /dev/null 2>&1
           trap 'wineserver -k || true' EXIT
           wineboot < /dev/null > /dev/null 2>&1 ;;
  s390x)   toolchain=cmake/s390x-linux-gnu.cmake ;;
  *) echo "unknown target $target"; exit 2 ;;
esac
start=$(date +%s)
cmake -S . -B "build-$target" -DCMAKE_TOOLCHAIN_FILE="$toolchain" > /dev/null
cmake --build "build-$target" -j2
ctest --test-dir "build-$target" --output-on-failure
echo "$target: built and tested in $(( $(date +%s) - start )) s"
