#!/usr/bin/env bash
# The native build's unit, vector and end-to-end tests under qemu, on x86-64
# processors without the SHA extensions, where the portable compression must
# be chosen and the hardware tests skip, and at the edges of what the MD5
# choice reads of CPUID, each field checked against GCC's own reading:
# Skylake's client processors (SSSE3, AVX2, BMI2, no SHA); the same with
# XSAVE off, as a virtual machine can show it, where AVX is reported but
# XGETBV must not run; the same with the highest CPUID leaf 7, which must
# still be read; Haswell, which has XSAVE but not XGETBV's second register
# (ECX=1), so that only XCR0 may be asked for; qemu64 (not even SSSE3);
# qemu64 with the highest leaf 6, as on old processors and some virtual
# machines, where leaf 7, which holds the SHA bit, must not be read; and
# with the highest leaf 1 and AMD's family 19h, where leaf 1 must be read.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
version=$(project_version)
for model in "${x86_64_models[@]}"; do
  start=$(date +%s)
  emulator="qemu-x86_64-static -cpu $model"
  # qemu warns on standard error of features it cannot emulate.
  for tests in unit_tests vector_tests; do
    $emulator build/tests/$tests --gtest_brief=1 2> >(grep -v "TCG doesn't support requested feature" >&2)
  done
  python3 tests/cli/end_to_end_test.py --program build/BRINDLEX --version "$version" --emulator "$emulator"
  echo "x86-64 $model: tested in $(seconds_since "$start") s"
done
