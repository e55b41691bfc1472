#!/usr/bin/env bash
# The source tarball is the commit's bytes, whatever the packager's git and
# shell say, and the packages what the release holds whatever the
# environment gives the archiving tools. Each case makes the source tarball
# (package_source) in a build folder of its own and compares it with the
# release's, dist/, byte for byte, or checks the refusal that names why:
#   an attributes file in $XDG_CONFIG_HOME, and GZIP and TAR_OPTIONS set:
#     the same bytes;
#   a build folder configured for armhf: the same bytes;
#   the checkout reached through a symbolic link: the same bytes;
#   a clone made with core.autocrlf=true: its scripts LF, the same bytes;
#   a clone owned by another user: refused, as git refuses it; accepted,
#     the same bytes, where that user's safe.directory names it;
#   a clone with .git/info/attributes turning *.cpp to CRLF: refused,
#     naming the files.
# Then the release's Linux and Windows x86-64 packages made again in their
# folders with GZIP, TAR_OPTIONS and ZIPOPT set: the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
work=$(mktemp -d)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
version=$(project_version)
tarball=brindlex-$version.tar.gz
start=$(date +%s)

# tarball_from NAME SOURCE [CMAKE ARGUMENTS...]: configures a build folder
# for SOURCE and makes the source tarball there; its log in NAME.log.
tarball_from() {
  local name=$1 source=$2
  shift 2
  cmake -S "$source" -B "$work/$name" -DBUILD_TESTING=OFF "$@" > "$work/$name.log" 2>&1 &&
    cmake --build "$work/$name" --target package_source >> "$work/$name.log" 2>&1
}
# same NAME SOURCE [CMAKE ARGUMENTS...]: the tarball is the release's.
same() {
  local name=$1
  tarball_from "$@" || { cat "$work/$name.log"; echo "$name: package_source failed"; exit 1; }
  cmp "$work/$name/$tarball" "dist/$tarball" || { echo "$name: the source tarball differs from the release's"; exit 1; }
  echo "$name: the same source tarball"
}
# refused NAME EXPECTED SOURCE: package_source fails, saying EXPECTED, and
# leaves no tarball.
refused() {
  local name=$1 expected=$2
  shift 2
  if tarball_from "$name" "$@"; then echo "$name: package_source made a tarball"; exit 1; fi
  grep -qF -- "$expected" "$work/$name.log" || { cat "$work/$name.log"; echo "$name: no line saying \"$expected\""; exit 1; }
  [ ! -e "$work/$name/$tarball" ] || { echo "$name: a tarball was left"; exit 1; }
  echo "$name: refused: $(grep -F -m1 -- "$expected" "$work/$name.log")"
}

mkdir -p "$work/xdg/git"
echo '*.cpp text eol=crlf' > "$work/xdg/git/attributes"
XDG_CONFIG_HOME=$work/xdg GZIP=--rsyncable TAR_OPTIONS=--format=posix \
  same "attributes in XDG_CONFIG_HOME, GZIP and TAR_OPTIONS set" .
same "a build folder for armhf" . -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/arm-linux-gnueabihf.cmake"
ln -s "$PWD" "$work/link"
same "the checkout through a symbolic link" "$work/link"

git -c core.autocrlf=true clone -q --no-hardlinks . "$work/autocrlf"
! grep -rlI $'\r' "$work/autocrlf/packaging" "$work/autocrlf/.ci" "$work/autocrlf/CMakeLists.txt" ||
  { echo "autocrlf clone: these files were checked out with CRLF"; exit 1; }
same "a clone with core.autocrlf=true" "$work/autocrlf"

git clone -q --no-hardlinks . "$work/theirs"
chown -R nobody: "$work/theirs"
refused "a clone another user owns" "dubious ownership" "$work/theirs"
mkdir "$work/home"
HOME=$work/home git config --global safe.directory "$work/theirs"
HOME=$work/home same "a clone another user owns, named by safe.directory" "$work/theirs"

git clone -q --no-hardlinks . "$work/crlf"
echo '*.cpp text eol=crlf' > "$work/crlf/.git/info/attributes"
refused "a clone with *.cpp eol=crlf in its info attributes" "  src/cli/main.cpp" "$work/crlf"

# The release's own folders, whose packages make-packages checks and makes
# again; each must come out as the release holds it.
for name in linux windows; do
  GZIP=--rsyncable TAR_OPTIONS=--format=posix ZIPOPT=-D \
    cmake --build "build-release/$name" --target package > "$work/$name.log" 2>&1 ||
    { cat "$work/$name.log"; echo "build-release/$name: the package target failed"; exit 1; }
  for package in "build-release/$name"/*.{deb,rpm,zip} "build-release/$name"/*-linux-*.tar.gz; do
    [ -f "$package" ] || continue
    cmp "$package" "dist/$(basename "$package")" ||
      { echo "$package: made with GZIP, TAR_OPTIONS and ZIPOPT set, it differs from the release's"; exit 1; }
    echo "$(basename "$package"): the same with GZIP, TAR_OPTIONS and ZIPOPT set"
  done
done
echo "the source tarball and the packages checked against what the builder's git and shell say in $(seconds_since "$start") s"
