#!/bin/sh
# Runs the examples of the README and of the manual page through cram, with
# the program built here first on the PATH: cram runs each "$ command" and
# compares what it prints with the lines the text shows under it. Those
# transcripts are the README's code blocks indented by four spaces (its
# other code blocks are fenced, which cram leaves alone) and the manual's
# .EX/.EE blocks, roff's escapes undone.
#   examples.sh CRAM PROGRAM_FOLDER README MANUAL
set -eu
cram=$1 folder=$(cd "$2" && pwd) readme=$3 manual=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$readme" "$work/README.md"
sed -n '/^\.EX$/,/^\.EE$/{ /^\.E[XE]$/d; s/\\-/-/g; s/\\(aq/'"'"'/g; s/^/    /; p; }' "$manual" > "$work/BRINDLEX.1"
grep -q '^    \$ ' "$work/README.md" && grep -q '^    \$ ' "$work/BRINDLEX.1" ||
  { echo "no examples found in $readme or $manual"; exit 1; }
PATH=$folder:$PATH "$cram" --indent=4 --shell=/bin/bash "$work/README.md" "$work/BRINDLEX.1"
