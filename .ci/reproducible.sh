#!/usr/bin/env bash
# Builds every artifact of the release in dist/ a second time, from the same
# commit exported by git archive into another folder, and checks with cmp
# that each is byte-identical to the one CI built and tested: not with the
# program under test, which could print the same wrong digest for both.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source_dir=$work/source
mkdir "$source_dir"
git archive HEAD | tar -x -C "$source_dir"
same_modes "$source_dir"

# again NAME GENERATORS [CMAKE ARGUMENTS...]: configures and builds the copy
# NAME without its tests, then makes its packages with each generator.
again() {
  local dir=$work/$1 generators=$2
  shift 2
  cmake -S "$source_dir" -B "$dir" -DBUILD_TESTING=OFF "$@" > /dev/null
  cmake --build "$dir" -j2 > /dev/null
  (cd "$dir" && cpack -G "$generators" > /dev/null)
}
toolchain() {
  echo "-DCMAKE_TOOLCHAIN_FILE=$source_dir/cmake/$1.cmake"
}
start=$(date +%s)
again linux "DEB;RPM;TGZ"
(cd "$work/linux" && cpack --config CPackSourceConfig.cmake > /dev/null)
again aarch64 "DEB;RPM;TGZ" "$(toolchain aarch64-linux-gnu)"
again armhf "DEB;TGZ" "$(toolchain arm-linux-gnueabihf)"
again i386 TGZ "$(toolchain i686-linux-gnu)"
again s390x TGZ "$(toolchain s390x-linux-gnu)"
again riscv64 TGZ "$(toolchain riscv64-linux-gnu)"
again windows ZIP "$(toolchain mingw-w64-x86_64)"
fetch_zig
again windows-arm64 ZIP "$(toolchain zig)" -DBRINDLEX_ZIG="$zig" -DBRINDLEX_ZIG_TARGET=windows-arm64
echo "every artifact built again in $work in $(seconds_since "$start") s"

status=0
for artifact in dist/*; do
  name=$(basename "$artifact")
  [ "$name" != SHA256SUMS ] || continue
  copies=("$work"/*/"$name")
  if [ -f "${copies[0]}" ] && cmp "$artifact" "${copies[0]}"; then
    echo "$name: identical in both builds"
  else
    echo "$name: differs, or was not built again"
    status=1
  fi
done
exit $status
