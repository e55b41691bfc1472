#!/usr/bin/env bash
# Compiles and links BRINDLEX with zig's clang, warnings as errors, for the
# systems nothing here runs natively: macOS on arm64 and x86_64, and Windows
# on ARM64, with its tests, which .ci/windows_arm64.sh runs. Checks that each
# executable is of the right kind for its processor and carries that
# processor's SHA-256 instructions.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
fetch_zig
echo "zig $("$zig" version), clang $("$zig" cc --version | sed -n 's/.*clang version \([0-9.]*\).*/\1/p')"

for target in macos-arm64 macos-x86_64 windows-arm64; do
  start=$(date +%s)
  dir=build-$target
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/zig.cmake -DBRINDLEX_ZIG="$zig" \
    -DBRINDLEX_ZIG_TARGET="$target" -DBUILD_TESTING=$([ "$target" = windows-arm64 ] && echo ON || echo OFF) \
    > /dev/null
  cmake --build "$dir" -j2
  program=$dir/BRINDLEX
  case $target in
    macos-arm64)   kind="Mach-O 64-bit arm64 executable" features=--mattr=+sha2 instruction=sha256h ;;
    macos-x86_64)  kind="Mach-O 64-bit x86_64 executable" features= instruction=sha256rnds2 ;;
    windows-arm64) kind="PE32+ executable (console) Aarch64" features=--mattr=+sha2 instruction=sha256h
                   program=$dir/BRINDLEX.exe ;;
  esac
  description=$(file -b "$program")
  [[ $description == "$kind"* ]] || { echo "$program is not a $kind: $description"; exit 1; }
  count=$(llvm-objdump-14 -d $features "$program" | grep -cw "$instruction" || true)
  [ "$count" -gt 0 ] || { echo "$program lacks the SHA-256 compression ($instruction)"; exit 1; }
  echo "$program: $description, $count $instruction instructions, built in $(seconds_since "$start") s"
  # zig's linker keeps no symbols in a Windows program: the canary is looked
  # for in the object that md5_final is linked from.
  bash .ci/hardening.sh "$program" $([ "$target" = windows-arm64 ] &&
    echo "$dir/CMakeFiles/brindlex_core.dir/src/md5/md5.cpp.obj")
done
