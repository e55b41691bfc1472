#!/bin/sh
# Sets the link time in a Windows program's COFF header to zero, as GNU ld's
# --no-insert-timestamp does: zig's linker writes the time of the link there
# and takes no option against it. The header begins at the offset stored,
# little-endian, at 0x3c; its time is 8 bytes in.
set -eu
set -- "$1" $(od -An -tu1 -j60 -N4 "$1")
header=$(($2 + 256 * $3 + 65536 * $4 + 16777216 * $5))
printf '\000\000\000\000' | dd of="$1" bs=1 seek=$((header + 8)) conv=notrunc 2> /dev/null
