#!/usr/bin/env bash
# Builds every artifact of the release in dist/ a second time, as another
# builder's machine would, and checks with cmp that each is byte-identical
# to the one CI built and tested (not with the program under test, which
# could print the same wrong digest for both). What differs from the first
# build:
#   the path: another folder, nine levels deeper;
#   the order in which folders list their files: the sources and the builds
#     seen through disorderfs --shuffle-dirents=yes;
#   the clock: a year ahead, through faketime;
#   the umask: 002, against CI's 022;
#   the time zone and locale: Pacific/Kiritimati (UTC+14) and C.UTF-8;
#   the build jobs: one, against two.
# SOURCE_DATE_EPOCH is the last commit's time in both. Where an artifact
# differs, diffoscope shows how.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d)
real=$work/real
shuffled=$work/another/builder/s/machine/with/a/much/deeper/build/path
cleanup() {
  fusermount3 -u "$shuffled" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
mkdir -p "$real" "$shuffled"
disorderfs --shuffle-dirents=yes --multi-user=yes "$real" "$shuffled" > /dev/null
source_dir=$shuffled/source
mkdir "$source_dir"
git archive HEAD | (umask 002 && tar -x -C "$source_dir")

# again NAME GENERATORS [CMAKE ARGUMENTS...]: configures and builds the copy
# NAME without its tests, one job at a time, then makes its packages with
# each generator; all of it under the varied umask, clock, zone and locale.
varied() {
  (umask 002 && TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 faketime -f +365d "$@")
}
again() {
  local dir=$shuffled/$1 generators=$2
  shift 2
  varied cmake -S "$source_dir" -B "$dir" -DBUILD_TESTING=OFF "$@" > /dev/null
  varied cmake --build "$dir" -j1 > /dev/null
  (cd "$dir" && varied cpack -G "$generators" > /dev/null)
}
toolchain() {
  echo "-DCMAKE_TOOLCHAIN_FILE=$source_dir/cmake/$1.cmake"
}
start=$(date +%s)
again linux "DEB;RPM;TGZ"
(cd "$shuffled/linux" && varied cpack --config CPackSourceConfig.cmake > /dev/null)
again aarch64 "DEB;RPM;TGZ" "$(toolchain aarch64-linux-gnu)"
again armhf "DEB;TGZ" "$(toolchain arm-linux-gnueabihf)"
again i386 TGZ "$(toolchain i686-linux-gnu)"
again s390x TGZ "$(toolchain s390x-linux-gnu)"
again riscv64 TGZ "$(toolchain riscv64-linux-gnu)"
again windows ZIP "$(toolchain mingw-w64-x86_64)"
fetch_zig
again windows-arm64 ZIP "$(toolchain zig)" -DBRINDLEX_ZIG="$zig" -DBRINDLEX_ZIG_TARGET=windows-arm64
echo "every artifact built again in $shuffled in $(seconds_since "$start") s"

status=0
for artifact in dist/*; do
  name=$(basename "$artifact")
  case $name in SHA256SUMS | BUILDINFO) continue ;; esac
  copies=("$shuffled"/*/"$name")
  if [ ! -f "${copies[0]}" ]; then
    echo "$name: not built again"
    status=1
  elif cmp -s "$artifact" "${copies[0]}"; then
    echo "$name: $(stat -c %s "$artifact") bytes, identical in both builds"
  else
    echo "$name: differs between the builds; diffoscope:"
    diffoscope --text - "$artifact" "${copies[0]}" | head -150 || true
    status=1
  fi
done
exit $status
