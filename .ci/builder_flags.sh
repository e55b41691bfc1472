#!/usr/bin/env bash
# The builder's flags win over ours, as a distribution's build needs: built
# with CXXFLAGS that drop the stack protector and LDFLAGS that ask for lazy
# binding, no RELRO, and then a program that is not position-independent,
# the executables must show exactly that.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh

# build_program DIR: configures DIR with the environment's flags and builds
# BRINDLEX alone.
build_program() {
  cmake -S . -B "$1" -DBUILD_TESTING=OFF > /dev/null
  cmake --build "$1" -j2 --target BRINDLEX > /dev/null
  check_abc "$1/BRINDLEX"
}

program=build-builder-flags/BRINDLEX
CXXFLAGS=-fno-stack-protector LDFLAGS="-Wl,-z,lazy -Wl,-z,norelro" build_program build-builder-flags
readelf -dW "$program" | grep -q BIND_NOW && { echo "$program: BIND_NOW despite -z lazy"; exit 1; }
readelf -lW "$program" | grep -q GNU_RELRO && { echo "$program: RELRO despite -z norelro"; exit 1; }
objdump -d -C "$program" | awk '/<md5_final\(.*\)>:$/,/^$/' | grep -q stack_chk_fail &&
  { echo "$program: a canary despite -fno-stack-protector"; exit 1; }
echo "$program: -fno-stack-protector, -z lazy and -z norelro kept: no canary, no BIND_NOW, no RELRO"

program=build-builder-no-pie/BRINDLEX
LDFLAGS=-no-pie build_program build-builder-no-pie
type=$(readelf -h "$program" | sed -n 's/^ *Type: *\([A-Z]*\).*/\1/p')
[ "$type" = EXEC ] || { echo "$program: ELF type $type despite -no-pie"; exit 1; }
echo "$program: -no-pie kept: ELF type EXEC"
