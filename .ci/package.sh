#!/usr/bin/env bash
# Builds the Debian package, installs it, runs the installed program once and
# checks its manual page.
set -euo pipefail
build=${1:-build}
(cd "$build" && cpack -G DEB > /dev/null)
package=$(ls "$build"/brindlex_*.deb)
dpkg -i "$package" > /dev/null
trap 'dpkg -r brindlex > /dev/null' EXIT

out=$(/usr/bin/BRINDLEX md5 s abc)
[ "$out" = 900150983cd24fb0d6963f7d28e17f72 ] || { echo "installed program printed: $out"; exit 1; }

page=/usr/share/man/man1/BRINDLEX.1
[ -f /usr/share/bash-completion/completions/BRINDLEX ] || { echo "no bash completion installed"; exit 1; }
[ -f /usr/share/doc/brindlex/copyright ] || { echo "no licence installed"; exit 1; }
mandoc -T lint "$page"
warnings=$(MANWIDTH=80 man --warnings=w -l "$page" 2>&1 > /dev/null)
[ -z "$warnings" ] || { echo "man warnings: $warnings"; exit 1; }
echo "$package: $(stat -c %s "$package") bytes, installed, ran and manual page checked"
