#!/usr/bin/env bash
# The changelogs agree: each version CHANGELOG.md lists as released
# ("## [1.0.0] - 2026-12-07") has an entry of the same version and date in
# the Debian changelog and in the RPM's %changelog, and they have no other;
# the newest is the version project() sets.
set -euo pipefail
cd "$(dirname "$0")/.."
users=$(sed -n 's/^## \[\([0-9][^]]*\)\] - \([0-9-]*\)$/\1 \2/p' CHANGELOG.md)
debian=$(awk '/^brindlex \(/ { version = substr($2, 2, length($2) - 2) }
  /^ -- / { sub(/^.*>  /, ""); print version, $0 }' packaging/changelog |
  while read -r version date; do echo "$version $(date -u -d "$date" +%F)"; done)
rpm=$(sed -n '/^%changelog/,$ s/^\* \(... ... [0-9]* [0-9]*\) .* - \(.*\)-[^-]*$/\2 \1/p' packaging/brindlex.spec.in |
  while read -r version date; do echo "$version $(date -u -d "$date" +%F)"; done)
[ -n "$users" ] || { echo "CHANGELOG.md: no released version"; exit 1; }
[ "$debian" = "$users" ] || { echo "packaging/changelog: $debian"; echo "CHANGELOG.md: $users"; exit 1; }
[ "$rpm" = "$users" ] || { echo "packaging/brindlex.spec.in: $rpm"; echo "CHANGELOG.md: $users"; exit 1; }
project=$(sed -n 's/^project(BRINDLEX VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
[ "${users%% *}" = "$project" ] || { echo "CHANGELOG.md: newest version ${users%% *}, project() says $project"; exit 1; }
echo "CHANGELOG.md, the Debian changelog and the RPM's agree: $(wc -l <<< "$users") released versions, the newest $project"
