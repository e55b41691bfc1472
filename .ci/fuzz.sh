#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# from the seed corpus in the repository.
set -euo pipefail
seconds=${FUZZ_SECONDS:-60}
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
  -DBRINDLEX_STATIC=OFF -DBRINDLEX_FUZZ=ON > /dev/null
cmake --build build-fuzz -j2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in md5 sha256 command_line; do
  seeds=tests/fuzz/corpus/engines
  [ "$target" = command_line ] && seeds=tests/fuzz/corpus/command_line
  corpus=$work/$target
  mkdir "$corpus"
  cp "$seeds"/* "$corpus"/
  TMPDIR=$work ./build-fuzz/fuzz_$target -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    "$corpus" > "build-fuzz/fuzz_$target.log" 2>&1 || { tail -40 "build-fuzz/fuzz_$target.log"; exit 1; }
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/fuzz_$target.log" | grep -o '[0-9]*$')
  echo "fuzz_$target: $runs executions in ${seconds} s, no findings"
done
