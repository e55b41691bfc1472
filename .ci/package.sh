#!/usr/bin/env bash
# Installs the Debian package given, runs the installed program once and
# checks its manual page and its completion; removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
package=$1
dpkg -i "$package" > /dev/null
names=$(mktemp -d)
trap 'dpkg -r brindlex > /dev/null; rm -rf "$names"' EXIT

check_abc /usr/bin/BRINDLEX
page=/usr/share/man/man1/BRINDLEX.1.gz
[ -f /usr/share/bash-completion/completions/BRINDLEX ] || { echo "no bash completion installed"; exit 1; }
[ -f /usr/share/doc/brindlex/copyright ] || { echo "no licence installed"; exit 1; }
mandoc -T lint "$page"
warnings=$(MANWIDTH=80 man --warnings=w -l "$page" 2>&1 > /dev/null)
[ -z "$warnings" ] || { echo "man warnings: $warnings"; exit 1; }

# A file name with a blank completes as one word, with bash-completion loaded
# as an interactive shell loads it.
touch "$names/my file.bin"
completed=$(cd "$names" && bash -c '
  source /usr/share/bash-completion/bash_completion
  source /usr/share/bash-completion/completions/BRINDLEX
  COMP_LINE="BRINDLEX md5 f my" COMP_POINT=17 COMP_WORDS=(BRINDLEX md5 f my) COMP_CWORD=3
  _brindlex BRINDLEX my f
  printf "%s\n" "${COMPREPLY[@]}"')
[ "$completed" = "my file.bin" ] || { echo "BRINDLEX md5 f my<TAB> completed as: $completed"; exit 1; }
echo "$package: $(stat -c %s "$package") bytes, installed, ran and manual page checked"
