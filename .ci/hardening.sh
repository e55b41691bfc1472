#!/usr/bin/env bash
# Checks, from the executables themselves, that each is hardened as
# cmake/hardening.cmake asks; prints one line per program, or one line naming
# the first property a program lacks, and fails.
#   ELF (Linux): position-independent (type DYN) where glibc links static-pie,
#     RELRO, immediate binding, a stack that is not executable, a canary in
#     md5_final (it keeps an array on the stack), endbr at its start on x86,
#     its return address signed on 64-bit ARM, where md5_init, a function
#     that saves no return address, begins with a BTI landing pad instead.
#     Each is looked for in our own code, not anywhere in the file: the C
#     library linked in may have its own.
#   PE (Windows): ASLR with high entropy, DEP, and the canary where the
#     linker kept the symbols; zig's does not, and its step names the object
#     md5_final is linked from, a COFF object, for the canary.
#   Mach-O (macOS): position-independent, and a canary somewhere in our code.
set -euo pipefail

program=
fail() {
  echo "$program: $1"
  exit 1
}

# The disassembly of one of our functions (md5_final by default), relocations
# included, with the given objdump.
function_code() {
  "$1" -d -r --no-show-raw-insn -C "$program" | awk "/<_?${2:-md5_final}\\(.*\\)>:\$/,/^\$/"
}

check_elf() {
  local machine type objdump entry= stack
  machine=$(readelf -h "$program" | sed -n 's/^ *Machine: *//p')
  case $machine in
    *X86-64*)  objdump=objdump type=DYN entry=endbr64 ;;
    *80386*)   objdump=i686-linux-gnu-objdump type=DYN entry=endbr32 ;;
    AArch64)   objdump=aarch64-linux-gnu-objdump type=DYN entry=paciasp ;;
    ARM)       objdump=arm-linux-gnueabihf-objdump type=EXEC ;;  # glibc has no static-pie there
    *S/390*)   objdump=s390x-linux-gnu-objdump type=EXEC ;;
    RISC-V)    objdump=riscv64-linux-gnu-objdump type=EXEC ;;
    *)         fail "no hardening known for machine $machine" ;;
  esac
  local actual segments
  actual=$(readelf -h "$program" | sed -n 's/^ *Type: *\([A-Z]*\).*/\1/p')
  [ "$actual" = "$type" ] || fail "ELF type $actual, not $type (position-independent: DYN)"
  segments=$(readelf -lW "$program")
  grep -q GNU_RELRO <<< "$segments" || fail "no RELRO segment"
  if [ "$type" = DYN ]; then
    grep -q BIND_NOW <<< "$(readelf -dW "$program")" || fail "no immediate binding (BIND_NOW)"
  fi
  stack=$(awk '$1 == "GNU_STACK" {print $7}' <<< "$segments")
  [ "$stack" = RW ] || fail "stack flags '$stack', not RW"
  local code
  code=$(function_code "$objdump")
  [ -n "$code" ] || fail "md5_final not found"
  grep -q "stack_chk_fail" <<< "$code" || fail "no stack protector canary in md5_final"
  if [ -n "$entry" ]; then
    sed -n 2p <<< "$code" | grep -qw "$entry" || fail "md5_final does not begin with $entry"
  fi
  if [ "$machine" = AArch64 ]; then
    function_code "$objdump" md5_init | sed -n 2p | grep -q $'\tbti\tc' ||
      fail "md5_init does not begin with a BTI landing pad (bti c)"
  fi
  echo "$program: ELF $type, RELRO$([ "$type" = DYN ] && echo ", BIND_NOW"), stack $stack, canary${entry:+, $entry}$([ "$machine" = AArch64 ] && echo ", bti c")"
}

check_pe() {
  local header flag
  header=$(llvm-objdump-14 -p "$program")
  for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<< "$header" || fail "PE without $flag"
  done
  local canary="no symbols to find md5_final by"
  if [ "$(llvm-objdump-14 -t "$program" | grep -c md5_final)" -gt 0 ]; then
    grep -q "stack_chk_fail" <<< "$(function_code llvm-objdump-14)" ||
      fail "no stack protector canary in md5_final"
    canary=canary
  fi
  echo "$program: PE, DYNAMIC_BASE, HIGH_ENTROPY_VA, NX_COMPAT, $canary"
}

# The system's library is dynamic here: only our own code can call its
# ___stack_chk_fail, through a stub objdump does not name.
check_macho() {
  grep -qw PIE <<< "$(llvm-objdump-14 --macho --private-header "$program")" || fail "Mach-O not PIE"
  grep -q "___stack_chk_fail" <<< "$(llvm-objdump-14 --macho --bind --lazy-bind "$program")" ||
    fail "no stack protector: ___stack_chk_fail is never bound"
  echo "$program: Mach-O PIE, canary (___stack_chk_fail bound)"
}

check_object() {
  grep -q "stack_chk_fail" <<< "$(function_code llvm-objdump-14)" ||
    fail "no stack protector canary in md5_final"
  echo "$program: object with a canary in md5_final"
}

for program in "$@"; do
  case $(file -b "$program") in
    ELF*)    check_elf ;;
    PE32*)   check_pe ;;
    Mach-O*) check_macho ;;
    *COFF\ object*) check_object ;;
    *)       fail "not an executable this check knows" ;;
  esac
done
