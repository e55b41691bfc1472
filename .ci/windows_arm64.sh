#!/usr/bin/env bash
# Runs the Windows ARM64 program that zig built (.ci/zig_builds.sh) under
# Debian 12's own arm64 wine, itself run by qemu on this x86-64 machine, and
# proves which SHA-256 compression it chose: once with an arm64 /proc/cpuinfo
# that lists the SHA-2 instructions, once with one that does not, each bound
# over the real one in a mount namespace of its own. Each time its unit,
# vector and end-to-end tests pass, and qemu's log of the code it translated
# holds sha256h exactly when the processor's compression was chosen.
#   Wine's arm64 packages are downloaded once (kept in the tools cache) with a
# private apt configuration, and unpacked into a folder: dpkg's own list of
# architectures is not touched. Without binfmt_misc the kernel cannot start
# the arm64 loader wine re-runs (WINELOADERNOEXEC); wine's wineserver script
# and its preloader would start the host's programs: wrappers run the arm64
# ones under qemu. Their interpreter points into the folder, not qemu's -L,
# which would make / the folder and lose wine's drive Z:.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
program=build-windows-arm64/BRINDLEX.exe
start=$(date +%s)

tools=${BRINDLEX_TOOLS:-$HOME/.cache/brindlex-tools}
apt_dir=$tools/wine-arm64-apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial"
touch "$apt_dir/status"
cat > "$apt_dir/apt.conf" << END
APT::Architecture "arm64";
APT::Architectures { "arm64"; };
APT::Sandbox::User "root";
Dir::State::Lists "$apt_dir/lists";
Dir::State::status "$apt_dir/status";
Dir::Cache "$apt_dir";
Dir::Cache::Archives "$apt_dir/archives";
END
if ! ls "$apt_dir"/archives/wine64_*.deb > /dev/null 2>&1; then
  APT_CONFIG=$apt_dir/apt.conf apt-get update -qq
  APT_CONFIG=$apt_dir/apt.conf apt-get install -y -qq --download-only --no-install-recommends \
    wine64 libwine > /dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'exit 143' TERM INT
root=$work/root
for package in "$apt_dir"/archives/*.deb; do
  dpkg -x "$package" "$root"
done
wine_dir=$root/usr/lib/wine
libraries=$root/lib/aarch64-linux-gnu:$root/usr/lib/aarch64-linux-gnu
patchelf --set-interpreter "$root/lib/ld-linux-aarch64.so.1" "$wine_dir/wine64" "$wine_dir/wineserver64"
printf '#!/bin/sh\nexec qemu-aarch64-static -E LD_LIBRARY_PATH=%s %s "$@"\n' \
  "$libraries" "$wine_dir/wineserver64" > "$wine_dir/wineserver"
printf '#!/bin/sh\nexec qemu-aarch64-static -E LD_LIBRARY_PATH=%s "$@"\n' \
  "$libraries" > "$wine_dir/wine64-preloader"
# The runner the tests take as their emulator; QEMU_ARGUMENTS add to qemu's.
printf '#!/bin/sh\nexec qemu-aarch64-static $QEMU_ARGUMENTS -E LD_LIBRARY_PATH=%s -E WINELOADERNOEXEC=1 %s "$@"\n' \
  "$libraries" "$wine_dir/wine64" > "$work/wine-arm64"
chmod +x "$wine_dir/wineserver" "$wine_dir/wine64-preloader" "$work/wine-arm64"
echo "arm64 wine: $(ls "$apt_dir"/archives/*.deb | wc -l) packages unpacked in $(seconds_since "$start") s"

# An arm64 processor's cpuinfo, with or without the SHA-2 instructions (and
# the rest of the cryptographic extension, which wine reports as one).
cpuinfo() {
  printf 'processor\t: 0\nBogoMIPS\t: 50.00\nFeatures\t: fp asimd evtstrm %scrc32 cpuid\n' "$1"
  printf 'CPU implementer\t: 0x41\nCPU architecture: 8\nCPU variant\t: 0x0\nCPU part\t: 0xd0c\nCPU revision\t: 1\n'
}
cpuinfo "aes pmull sha1 sha2 " > "$work/cpuinfo-sha2"
cpuinfo "" > "$work/cpuinfo-plain"
head -c 3000000 /dev/urandom > "$work/data.bin"

# The tests run the program, and the unit tests, through the runner.
cmake -S . -B build-windows-arm64 -DCMAKE_CROSSCOMPILING_EMULATOR="$work/wine-arm64" > /dev/null
export WINEPREFIX=$work/prefix WINEDEBUG=-all
for processor in sha2 plain; do
  start=$(date +%s)
  # In a mount namespace of its own, where the wineserver, and every program,
  # read the cpuinfo bound here. As cross.sh does for wine on x86-64: one
  # persistent wineserver, and wine's services started before the tests, so
  # that none holds a test's output open.
  WORK=$work PROCESSOR=$processor PROGRAM=$program CTEST_OPTIONS="${wine_ctest_options[*]}" unshare -m bash -euo pipefail -c '
    mount --bind "$WORK/cpuinfo-$PROCESSOR" /proc/cpuinfo
    wine=$WORK/wine-arm64 wineserver=$WORK/root/usr/lib/wine/wineserver
    "$wine" wineboot --init < /dev/null > /dev/null 2>&1
    "$wineserver" -w
    "$wineserver" -p < /dev/null > /dev/null 2>&1
    trap "\"$wineserver\" -k || true" EXIT
    "$wine" wineboot < /dev/null > /dev/null 2>&1
    ctest --test-dir build-windows-arm64 --output-on-failure $CTEST_OPTIONS > "$WORK/ctest-$PROCESSOR.log" 2>&1 ||
      { cat "$WORK/ctest-$PROCESSOR.log"; exit 1; }
    # The code qemu translated while the program hashed 3 MB.
    QEMU_ARGUMENTS="-d in_asm -D $WORK/qemu-$PROCESSOR.log" "$wine" "$PROGRAM" sha256 f "$WORK/data.bin" \
      > "$WORK/digest-$PROCESSOR" 2> /dev/null < /dev/null'
  grep -F '***Timeout' "$work/ctest-$processor.log" || true
  grep "tests passed" "$work/ctest-$processor.log"
  expected=$(sha256sum "$work/data.bin" | cut -d ' ' -f 1)
  [ "$(tr -d '\r' < "$work/digest-$processor")" = "$expected" ] ||
    { echo "$program, $processor: wrong digest of 3 MB"; exit 1; }
  count=$(grep -cw sha256h "$work/qemu-$processor.log" || true)
  if [ "$processor" = sha2 ] && [ "$count" -eq 0 ]; then
    echo "$program: the SHA-2 instructions listed, but the processor's compression did not run"; exit 1
  elif [ "$processor" = plain ] && [ "$count" -ne 0 ]; then
    echo "$program: no SHA-2 instructions listed, but $count sha256h ran"; exit 1
  fi
  echo "$program with a cpuinfo $([ "$processor" = sha2 ] && echo "listing" || echo "without") sha2: unit, vector and end-to-end tests passed; $count sha256h translated while it hashed 3 MB; $(seconds_since "$start") s"
  rm -f "$work/qemu-$processor.log"
done
