#!/usr/bin/env bash
# Builds and tests BRINDLEX for another system or processor, from the same
# sources and test tables as the native build: Windows under wine; s390x,
# 64-bit ARM, 32-bit ARM, 32-bit x86 and 64-bit RISC-V Linux under qemu.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
target=$1  # windows, s390x, aarch64, armhf, i386 or riscv64

case $target in
  windows)
    work=$(mktemp -d)
    export WINEPREFIX=$work/wine WINEDEBUG=-all
    # One wineserver, and wine's background services, for the whole run:
    # started per program they cost seconds each. Started here, they hold no
    # pipe of the test runner's open.
    wineboot --init < /dev/null > /dev/null 2>&1
    wineserver -w
    wineserver -p < /dev/null > /dev/null 2>&1
    trap 'wineserver -k || true; rm -rf "$work"' EXIT
    wineboot < /dev/null > /dev/null 2>&1
    ctest_options=("${wine_ctest_options[@]}")
    build_and_test build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
    bash .ci/hardening.sh build-windows/BRINDLEX.exe ;;
  s390x)
    build_and_test build-s390x -DCMAKE_TOOLCHAIN_FILE=cmake/s390x-linux-gnu.cmake
    bash .ci/hardening.sh build-s390x/BRINDLEX ;;
  aarch64)
    # qemu offers the SHA-2 instructions on every CPU model: the default
    # build must select them, and the portable compression is tested in a
    # build without them; clang 16 builds the ARMv8 compression too.
    build_and_test build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
      -DBRINDLEX_REQUIRE_HARDWARE_SHA256=ON
    build_and_test build-aarch64-portable -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
      -DBRINDLEX_HARDWARE_SHA256=OFF
    build_and_test build-aarch64-clang -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu-clang.cmake \
      -DBRINDLEX_REQUIRE_HARDWARE_SHA256=ON
    bash .ci/hardening.sh build-aarch64{,-portable,-clang}/BRINDLEX ;;
  armhf)
    # 32-bit Linux, with the portable compression; a file past 4 GiB too.
    build_and_test build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake \
      -DBRINDLEX_LARGE_TESTS=ON
    bash .ci/hardening.sh build-armhf/BRINDLEX ;;
  i386)
    # The file past 4 GiB, 100 s under qemu, is armhf's: the same 32-bit
    # glibc calls, and every POSIX build's offsets are checked 64-bit wide
    # when it compiles.
    build_and_test build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
    bash .ci/hardening.sh build-i386/BRINDLEX ;;
  riscv64)
    # 64-bit offsets are native here: the file past 4 GiB, which costs
    # 100 s under qemu, is left to the 32-bit targets.
    build_and_test build-riscv64 -DCMAKE_TOOLCHAIN_FILE=cmake/riscv64-linux-gnu.cmake
    bash .ci/hardening.sh build-riscv64/BRINDLEX ;;
  *)
    echo "unknown target $target"; exit 2 ;;
esac
