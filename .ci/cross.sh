#!/usr/bin/env bash
# Builds and tests the Windows program under wine, the big-endian s390x
# program and the 64-bit ARM program under qemu, from the same sources and
# test tables as the native build; and runs the native build's tests on
# x86-64 processors without the SHA extensions.
set -euo pipefail
target=$1  # windows, s390x, aarch64 or x86_64-without-sha

if [ "$target" = x86_64-without-sha ]; then
  # qemu emulates no SHA extensions: the native build (./build) must choose
  # the portable compression there, and the hardware tests skip. Skylake's
  # client processors have SSSE3, AVX2 and FSGSBASE but no SHA; qemu64 has
  # not even SSSE3.
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
  for model in Skylake-Client qemu64; do
    start=$(date +%s)
    emulator="qemu-x86_64-static -cpu $model"
    $emulator build/tests/unit_tests --gtest_brief=1 2> /dev/null | tail -3
    python3 tests/cli/end_to_end_test.py --program build/BRINDLEX --version "$version" --emulator "$emulator"
    echo "x86-64 $model: tested in $(( $(date +%s) - start )) s"
  done
  exit 0
fi

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
  aarch64) toolchain=cmake/aarch64-linux-gnu.cmake ;;
  *) echo "unknown target $target"; exit 2 ;;
esac

# build_and_test DIR [CMAKE ARGUMENTS...], with $toolchain
build_and_test() {
  local dir=$1 start
  shift
  start=$(date +%s)
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" "$@" > /dev/null
  cmake --build "$dir" -j2
  ctest --test-dir "$dir" --output-on-failure
  echo "$dir: built and tested in $(( $(date +%s) - start )) s"
}

if [ "$target" = aarch64 ]; then
  # qemu offers the SHA-2 instructions on every CPU model: the default build
  # must select them, and the portable compression is tested in a build
  # without them.
  build_and_test build-aarch64 -DBRINDLEX_REQUIRE_HARDWARE_SHA256=ON
  build_and_test build-aarch64-portable -DBRINDLEX_HARDWARE_SHA256=OFF -DBRINDLEX_REQUIRE_HARDWARE_SHA256=OFF
  # clang 16 builds the ARMv8 compression for a generic target too.
  toolchain=cmake/aarch64-linux-gnu-clang.cmake
  build_and_test build-aarch64-clang -DBRINDLEX_REQUIRE_HARDWARE_SHA256=ON
  toolchain=cmake/aarch64-linux-gnu.cmake
  (cd build-aarch64 && cpack -G DEB > /dev/null)
  package=$(ls build-aarch64/brindlex_*_arm64.deb)
  [ "$(dpkg-deb -f "$package" Architecture)" = arm64 ] || { echo "$package: wrong architecture"; exit 1; }
  echo "$package: $(stat -c %s "$package") bytes"
else
  build_and_test "build-$target"
fi

if [ "$target" = windows ]; then
  # The download for Windows users: unpack it and run what is inside once.
  (cd build-windows && cpack -G ZIP > /dev/null)
  package=$(ls build-windows/BRINDLEX-*-win64.zip)
  unpacked=$(mktemp -d)
  python3 -m zipfile -e "$package" "$unpacked"
  folder=$(basename "$package" .zip)
  for file in BRINDLEX.exe README.md LICENSE; do
    [ -f "$unpacked/$folder/$file" ] || { echo "$package lacks $file"; exit 1; }
  done
  out=$(wine "$unpacked/$folder/BRINDLEX.exe" md5 s abc)
  [ "$out" = $'900150983cd24fb0d6963f7d28e17f72\r' ] || { echo "BRINDLEX.exe from the zip printed: $out"; exit 1; }
  echo "$package: $(stat -c %s "$package") bytes, unpacked and run"
fi
