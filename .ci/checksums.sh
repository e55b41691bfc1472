#!/usr/bin/env bash
# Gathers the packages and zips this CI run built into dist/, writes their
# SHA256SUMS with the BRINDLEX just built, in the format sha256sum reads, and
# checks the file with sha256sum -c.
set -euo pipefail
cd "$(dirname "$0")/.."
rm -rf dist
mkdir dist
cp build/*.deb build-aarch64/*.deb build-armhf/*.deb build-windows/*.zip build-windows-arm64/*.zip dist/
cd dist
for artifact in *.deb *.zip; do
  digest=$(../build/BRINDLEX sha256 f "$artifact")
  echo "$digest  $artifact"
done > SHA256SUMS
sha256sum -c SHA256SUMS
