#!/usr/bin/env bash
# Makes the release from the builds CI has tested and checks every artifact
# as its user meets it: the source tarball builds and passes the README's
# test command without git; each RPM passes rpmlint, installs into a scratch
# root and runs from there; each Linux archive holds the program, its manual,
# completion and licence, and the program runs. Then gathers them, with the
# Debian packages and the Windows zips, into dist/, and writes BUILDINFO and
# SHA256SUMS.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
rm -rf dist
mkdir dist
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
linux_builds=(build build-aarch64 build-armhf build-i386 build-s390x build-riscv64)

# What runs a build's program here: qemu for another processor.
emulator_of() {
  case $1 in
    build-aarch64) echo qemu-aarch64-static ;;
    build-armhf)   echo qemu-arm-static ;;
    build-i386)    echo qemu-i386-static ;;
    build-s390x)   echo qemu-s390x-static ;;
    build-riscv64) echo qemu-riscv64-static ;;
  esac
}

# The source tarball, built from where a packager unpacks it, with a `git`
# that fails first on the path.
start=$(date +%s)
(cd build && cpack --config CPackSourceConfig.cmake > /dev/null)
tarball=build/brindlex-$version.tar.gz
unpacked=$work/source
mkdir "$unpacked"
tar -xzf "$tarball" -C "$unpacked"
source_dir=$unpacked/brindlex-$version
for unwanted in .git .ci build dist; do
  [ ! -e "$source_dir/$unwanted" ] || { echo "$tarball holds $unwanted"; exit 1; }
done
mkdir "$unpacked/no-git"
printf '#!/bin/sh\necho "git run from the source tarball" >&2\nexit 1\n' > "$unpacked/no-git/git"
chmod +x "$unpacked/no-git/git"
# The README's test command, word for word.
test_command=$(sed -n 's/^Build and test: `\(.*\)`$/\1/p' README.md)
(cd "$source_dir" && PATH=$unpacked/no-git:$PATH BRINDLEX_WERROR=OFF bash -c "$test_command" > "$unpacked/log" 2>&1) ||
  { tail -30 "$unpacked/log"; echo "$tarball: the README's test command failed"; exit 1; }
grep -q "100% tests passed" "$unpacked/log" ||
  { tail -30 "$unpacked/log"; echo "$tarball: the README's test command did not pass every test"; exit 1; }
cp "$tarball" dist/
echo "$tarball: $(stat -c %s "$tarball") bytes; unpacked, built and tested without git in $(seconds_since "$start") s"

# RPMs, for x86-64 and 64-bit ARM.
for dir in build build-aarch64; do
  package=$(make_package "$dir" RPM)
  rpmlint -c packaging/rpmlint.toml "$package" > "$dir/rpmlint.log" 2>&1 ||
    { cat "$dir/rpmlint.log"; echo "$package: rpmlint found errors"; exit 1; }
  root=$work/root-$dir
  mkdir "$root"
  rpm --root "$root" --initdb
  rpm --root "$root" -i --nodeps --ignorearch "$package" > "$dir/rpm-install.log" 2>&1 ||
    { cat "$dir/rpm-install.log"; echo "$package: rpm could not install it in a scratch root"; exit 1; }
  check_abc $(emulator_of "$dir") "$root/usr/bin/BRINDLEX"
  cp "$package" dist/
  echo "$package: $(stat -c %s "$package") bytes, rpmlint: $(grep -o '[0-9]* errors, [0-9]* warnings' "$dir/rpmlint.log"); installed in a scratch root and run"
done

# The program for every Linux processor, as an archive.
for dir in "${linux_builds[@]}"; do
  package=$(make_package "$dir" TGZ)
  unpacked=$work/archive-$dir
  mkdir "$unpacked"
  tar -xzf "$package" -C "$unpacked"
  folder=$unpacked/$(basename "$package" .tar.gz)
  for file in bin/BRINDLEX share/man/man1/BRINDLEX.1.gz share/bash-completion/completions/BRINDLEX \
              share/doc/brindlex/copyright; do
    [ -f "$folder/$file" ] || { echo "$package lacks $file"; exit 1; }
  done
  check_abc $(emulator_of "$dir") "$folder/bin/BRINDLEX"
  cp "$package" dist/
  echo "$package: $(stat -c %s "$package") bytes, unpacked and run"
done

cp build/*.deb build-aarch64/*.deb build-armhf/*.deb build-windows/*.zip build-windows-arm64/*.zip dist/
bash .ci/buildinfo.sh
cd dist
artifacts=(*)
for artifact in "${artifacts[@]}"; do
  echo "$(../build/BRINDLEX sha256 f "$artifact")  $artifact"
done > SHA256SUMS
sha256sum -c SHA256SUMS
# Every artifact SHA256SUMS lists has its entry in BUILDINFO, with the same
# digest: written by another program (sha256sum), from the same files.
while read -r digest artifact; do
  [ "$artifact" != BUILDINFO ] || continue
  grep -A1 -x "$artifact" BUILDINFO | grep -qx "  sha256: $digest" ||
    { echo "BUILDINFO: no entry for $artifact with SHA-256 $digest"; exit 1; }
done < SHA256SUMS
echo "BUILDINFO: an entry, with its digest, for every artifact in SHA256SUMS"
