#!/usr/bin/env bash
# Makes the release with the rebuild recipe (docs/VERIFYING.md), one build
# folder per target in build-release/, each traced by strace for BUILDINFO;
# checks that each program is byte for byte the one CI tested, and every
# artifact as its user meets it: the source tarball builds and passes the README's test
# command without git, refuses to make itself again there, and `rpmbuild
# -ta` runs the test suite and makes an RPM of it that installs and runs,
# and a source RPM that passes rpmlint; each RPM passes rpmlint,
# installs into a scratch root and runs from there; each Debian package
# passes lintian, the native one installed and tried (package.sh); each
# archive and zip holds its files and its program runs (the ARM64 Windows
# one under .ci/windows_arm64.sh), and each Windows program carries its
# version. Then gathers them in dist/, with BUILDINFO, the SBOM and
# SHA256SUMS, and checks that those agree.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
rm -rf dist build-release
mkdir dist build-release
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(project_version)
grep -qxF "unset ${build_environment[*]}" docs/VERIFYING.md ||
  { echo "docs/VERIFYING.md: the rebuild recipe does not clear what the build reads: unset ${build_environment[*]}"; exit 1; }

# What runs a target's program here; the folder of the build CI tested.
runner_of() {
  case $1 in
    aarch64) echo qemu-aarch64-static ;;
    armhf)   echo qemu-arm-static ;;
    i386)    echo qemu-i386-static ;;
    s390x)   echo qemu-s390x-static ;;
    riscv64) echo qemu-riscv64-static ;;
    windows) echo wine ;;
  esac
}
tested_of() {
  [ "$1" = linux ] && echo build || echo "build-$1"
}

start=$(date +%s)
export CMAKE_BUILD_PARALLEL_LEVEL=2
for name in "${release_targets[@]}"; do
  strace -f --seccomp-bpf -qq -z -e trace=execve,open,openat -o "build-release/$name.trace" \
    bash -c 'source .ci/lib.sh && release_build . "build-release/$1" "$1"' - "$name"
  program=BRINDLEX
  [[ $name != windows* ]] || program=BRINDLEX.exe
  cmp "build-release/$name/$program" "$(tested_of "$name")/$program" ||
    { echo "build-release/$name/$program is not the program CI tested"; exit 1; }
done
echo "every target built with the rebuild recipe, traced, in $(seconds_since "$start") s; each program the one CI tested"

# The source tarball, built from where a packager unpacks it, with a `git`
# that fails first on the path.
start=$(date +%s)
tarball=build-release/linux/brindlex-$version.tar.gz
unpacked=$work/source
mkdir "$unpacked"
tar -xzf "$tarball" -C "$unpacked"
source_dir=$unpacked/brindlex-$version
mkdir "$unpacked/no-git"
printf '#!/bin/sh\necho "git run from the source tarball" >&2\nexit 1\n' > "$unpacked/no-git/git"
chmod +x "$unpacked/no-git/git"
# The README's test command, word for word.
test_command=$(sed -n 's/^Build and test: `\(.*\)`$/\1/p' README.md)
(cd "$source_dir" && PATH=$unpacked/no-git:$PATH BRINDLEX_WERROR=OFF bash -c "$test_command" > "$unpacked/log" 2>&1) ||
  { tail -30 "$unpacked/log"; echo "$tarball: the README's test command failed"; exit 1; }
grep -q "100% tests passed" "$unpacked/log" ||
  { tail -30 "$unpacked/log"; echo "$tarball: the README's test command did not pass every test"; exit 1; }
if (cd "$source_dir" && cmake --build build --target package_source > "$unpacked/log" 2>&1); then
  echo "$tarball: package_source made a tarball where there is no git"; exit 1
fi
grep -q "is no git checkout" "$unpacked/log" ||
  { cat "$unpacked/log"; echo "$tarball: package_source failed without saying why"; exit 1; }
echo "$tarball: $(stat -c %s "$tarball") bytes; unpacked, built and tested without git, where package_source refuses, in $(seconds_since "$start") s"

# install_rpm PACKAGE [RUNNER]: installs the RPM into a scratch root and
# runs the program from there.
install_rpm() {
  local root
  root=$(mktemp -d -p "$work")
  rpm --root "$root" --initdb
  rpm --root "$root" -i --nodeps --ignorearch "$1" > "$work/rpm-install.log" 2>&1 ||
    { cat "$work/rpm-install.log"; echo "$1: rpm could not install it in a scratch root"; exit 1; }
  check_abc ${2:+"$2"} "$root/usr/bin/BRINDLEX"
}

start=$(date +%s)
(cd "$work" && HOME=$work rpmbuild -ta --nodeps --define "_topdir $work/rpmbuild" \
  "$OLDPWD/$tarball" > "$work/rpmbuild.log" 2>&1) ||
  { tail -30 "$work/rpmbuild.log"; echo "$tarball: rpmbuild -ta failed"; exit 1; }
checked=$(grep -o '[0-9]*% tests passed, 0 tests failed out of [0-9]*' "$work/rpmbuild.log") ||
  { tail -30 "$work/rpmbuild.log"; echo "$tarball: rpmbuild -ta ran no test suite in %check"; exit 1; }
install_rpm "$work"/rpmbuild/RPMS/*/*.rpm
rpmlint -c packaging/rpmlint.toml "$work"/rpmbuild/SRPMS/*.src.rpm > "$work/rpmlint.log" 2>&1 ||
  { cat "$work/rpmlint.log"; echo "$tarball: rpmlint found errors in the source RPM"; exit 1; }
echo "$tarball: rpmbuild -ta made $(cd "$work"/rpmbuild && echo SRPMS/*.rpm RPMS/*/*.rpm); %check: $checked;" \
  "the RPM installs and runs; rpmlint on the source RPM: $(grep -o '[0-9]* errors, [0-9]* warnings' "$work/rpmlint.log"); in $(seconds_since "$start") s"

for name in "${release_targets[@]}"; do
  dir=build-release/$name
  runner=$(runner_of "$name")
  for package in "$dir"/*.rpm; do
    [ -f "$package" ] || continue
    rpmlint -c packaging/rpmlint.toml "$package" > "$work/rpmlint.log" 2>&1 ||
      { cat "$work/rpmlint.log"; echo "$package: rpmlint found errors"; exit 1; }
    install_rpm "$package" "$runner"
    echo "$package: $(stat -c %s "$package") bytes, rpmlint: $(grep -o '[0-9]* errors, [0-9]* warnings' "$work/rpmlint.log"); installed in a scratch root and run"
  done
  for package in "$dir"/*.deb; do
    [ -f "$package" ] || continue
    lint_package "$package"
    [ "$name" != linux ] || bash .ci/package.sh "$package"
  done
  for package in "$dir"/*-linux-*.tar.gz "$dir"/*.zip; do
    [ -f "$package" ] || continue
    unpacked=$work/archive-$name
    mkdir "$unpacked"
    if [[ $package == *.zip ]]; then
      python3 -m zipfile -e "$package" "$unpacked"
      files=(BRINDLEX.exe README.md LICENSE NOTICES.txt)
    else
      tar -xzf "$package" -C "$unpacked"
      files=(bin/BRINDLEX share/man/man1/BRINDLEX.1.gz share/bash-completion/completions/BRINDLEX
             share/doc/brindlex/copyright share/doc/brindlex/NOTICES)
    fi
    folder=$unpacked/$(basename "$package" | sed 's/\.zip$\|\.tar\.gz$//')
    for file in "${files[@]}"; do
      [ -f "$folder/$file" ] || { echo "$package lacks $file"; exit 1; }
    done
    if [[ $package == *.zip ]]; then
      /usr/bin/python3 -c 'import pefile, sys
info = {k.decode(): v.decode() for f in pefile.PE(sys.argv[1]).FileInfo[0] if f.Key == b"StringFileInfo"
        for t in f.StringTable for k, v in t.entries.items()}
assert info["FileVersion"] == info["ProductVersion"] == sys.argv[2], info' "$folder/BRINDLEX.exe" "$version"
    fi
    # The ARM64 Windows program runs under .ci/windows_arm64.sh alone.
    if [ "$name" = windows ]; then
      WINEPREFIX=$work/wine WINEDEBUG=-all check_abc wine "$folder/BRINDLEX.exe" 2> /dev/null
      # Wine's server writes the new prefix's registry when it exits, seconds
      # after the program: wait for it, or it writes while $work is removed.
      WINEPREFIX=$work/wine wineserver -w
    elif [ "$name" != windows-arm64 ]; then
      check_abc ${runner:+"$runner"} "$folder/bin/BRINDLEX"
    fi
    echo "$package: $(stat -c %s "$package") bytes, unpacked$([ "$name" = windows-arm64 ] || echo " and run")"
  done
done

cp build-release/*/*.deb build-release/*/*.rpm build-release/*/*.tar.gz build-release/*/*.zip dist/
fetch_zig
python3 .ci/buildinfo.py "$(git rev-parse HEAD)" \
  "zig $("$zig" version), from the npm registry's $zig_package, whose tarball has SHA-256 $zig_sha256" \
  "${build_environment[@]}"
cd dist
artifacts=(*)
for artifact in "${artifacts[@]}"; do
  echo "$(../build/BRINDLEX sha256 f "$artifact")  $artifact"
done > SHA256SUMS
sha256sum -c SHA256SUMS
cd ..
# The digests BRINDLEX wrote (SHA256SUMS, checked above by sha256sum), those
# in BUILDINFO and the SBOM, and Python's hashlib all agree.
fetch_cyclonedx_schemas
/usr/bin/python3 .ci/check_release.py dist "$cyclonedx_schemas"
