#!/usr/bin/env bash
# Builds every artifact of the release in dist/ a second time, with the
# rebuild recipe of docs/VERIFYING.md, as another builder's machine would,
# and checks with cmp that each is byte-identical to the one CI built and
# tested (not with the program under test, which could print the same
# wrong digest for both). What differs from the first build:
#   the user: nobody, not root, with a home and a temporary folder of its own;
#   the checkout: a clone of its own, holding files git does not track;
#   the path: another folder, deeper, holding a space, [ ] ( ) * ? + $ ^ and
#     a letter that is not ASCII;
#   the build folders: in the checkout, named "_out (2)/NAME", not build*;
#   the order in which folders list their files: all of it seen through
#     disorderfs --shuffle-dirents=yes;
#   the clock: a year ahead, through faketime (which leaves the files' times
#     as they are, NO_FAKE_STAT, as a machine whose clock is wrong would);
#   the umask: 077, against CI's 022;
#   the time zone and locale: Pacific/Kiritimati (UTC+14) and tr_TR.UTF-8,
#     made with localedef, against UTC and C.UTF-8;
#   the build jobs: one, against two;
#   the environment: CMAKE_BUILD_TYPE, CXXFLAGS and LDFLAGS set, which the
#     recipe clears.
# SOURCE_DATE_EPOCH is the last commit's time in both. Where an artifact
# differs, diffoscope shows how, and the check fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
work=$(mktemp -d)
chmod 755 "$work"
real=$work/real
shuffled="$work/another builder [1] machine/with (a) much*deeper?path+\$for^é/b/u/i/l/d"
cleanup() {
  # Lazily: processes ended by a signal may still be leaving it.
  fusermount3 -uz "$shuffled" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
mkdir -p "$real" "$shuffled" "$work/home" "$work/tmp" "$work/tools" "$work/locales"
localedef -i tr_TR -f UTF-8 "$work/locales/tr_TR.UTF-8"
# The checkout, and zig with the digest fetch_zig checks, the builder's own.
git clone -q --no-hardlinks . "$real/brindlex"
echo "notes of the builder's" > "$real/brindlex/notes.txt"
mkdir "$real/brindlex/build" && echo "an earlier build" > "$real/brindlex/build/BRINDLEX"
fetch_zig
cp -al "$zig_tarball" "$(dirname "$zig")" "$work/tools/"
chown -R nobody: "$real" "$work/home" "$work/tmp"
disorderfs --shuffle-dirents=yes --multi-user=yes "$real" "$shuffled" > /dev/null
source_dir=$shuffled/brindlex

start=$(date +%s)
(cd "$source_dir" && umask 077 &&
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$work/home" TMPDIR="$work/tmp" BRINDLEX_TOOLS="$work/tools" LOCPATH="$work/locales" LC_ALL=tr_TR.UTF-8 \
      TZ=Pacific/Kiritimati CMAKE_BUILD_PARALLEL_LEVEL=1 NO_FAKE_STAT=1 \
      CMAKE_BUILD_TYPE=Debug CXXFLAGS="-O0 -g" LDFLAGS="-Wl,--build-id=none" \
    faketime -f +365d bash -c 'set -euo pipefail
      source .ci/lib.sh
      for name in "${release_targets[@]}"; do release_build . "_out (2)/$name" "$name"; done')
echo "every artifact built again, as nobody, in $shuffled in $(seconds_since "$start") s"

# The rebuilt Windows programs, for the check of their signatures (signing.sh).
rm -rf build-rebuilt
mkdir build-rebuilt
cp "$source_dir/_out (2)"/windows*/*.zip build-rebuilt/
status=0
for artifact in dist/*; do
  name=$(basename "$artifact")
  case $name in SHA256SUMS | BUILDINFO | *.cdx.json) continue ;; esac
  copies=("$source_dir/_out (2)"/*/"$name")
  if [ ! -f "${copies[0]}" ]; then
    echo "$name: not built again"
    status=1
  elif cmp -s "$artifact" "${copies[0]}"; then
    echo "$name: $(stat -c %s "$artifact") bytes, identical in both builds"
  else
    echo "$name: differs between the builds; diffoscope:"
    diffoscope --text - "$artifact" "${copies[0]}" | head -150 || true
    status=1
  fi
done
exit $status
