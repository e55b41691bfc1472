#!/usr/bin/env bash
# Signs copies of the release in dist/ with packaging/sign-release, with
# OpenPGP keys as maintainers have them (a primary key that only certifies,
# a subkey that signs) and self-signed code-signing certificates made for
# this run and thrown away with it (dist/ itself stays unsigned), and checks
# what a user and a rebuilder would: every OpenPGP signature verifies with
# gpgv and with sqv against the exported public key, and fails on a changed
# byte and against another key; each Windows program passes `osslsigncode
# verify` against the certificate and fails on a changed byte; its
# signature, attached to the program the varied rebuild made
# (build-rebuilt/), gives back the signed program byte for byte; the
# verification commands of docs/VERIFYING.md work as written; the records agree,
# and every statement in BUILDINFO is true, after signing once and after
# signing again either way. Then a table of faults, each on a fresh copy:
# sign-release refuses with a line naming the fault, and leaves the folder
# as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
work=$(mktemp -d)
export GNUPGHOME=$work/gnupg
homes=("$GNUPGHOME" "$work/other" "$work/locked")
cleanup() {
  for home in "${homes[@]}"; do GNUPGHOME=$home gpgconf --kill all 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "${homes[@]}"
version=$(project_version)
sign=(packaging/sign-release)

# new_key HOME [PASSPHRASE]: a key in the keyring at HOME, a primary that
# only certifies and a subkey that signs; prints the primary's fingerprint.
new_key() {
  local fingerprint
  GNUPGHOME=$1 gpg --batch --quiet --pinentry-mode loopback --passphrase "${2-}" \
    --quick-gen-key "BRINDLEX CI, thrown away after the run <ci@brindlex.invalid>" ed25519 cert 1d 2> /dev/null
  fingerprint=$(GNUPGHOME=$1 gpg --batch --with-colons --list-secret-keys 2> /dev/null | awk -F: '$1 == "fpr" { print $10; exit }')
  GNUPGHOME=$1 gpg --batch --quiet --pinentry-mode loopback --passphrase "${2-}" \
    --quick-add-key "$fingerprint" ed25519 sign 1d 2> /dev/null
  echo "$fingerprint"
}
fingerprint=$(new_key "$GNUPGHOME")
subkey=$(gpg --batch --with-colons --list-secret-keys 2> /dev/null | awk -F: '$1 == "fpr" { n++ } $1 == "fpr" && n == 2 { print $10 }')
other=$(new_key "$work/other")
# A key with a passphrase, and no way to ask for it: the agent's pinentry
# gives none.
locked=$(new_key "$work/locked" "a passphrase")
echo "pinentry-program /bin/false" > "$work/locked/gpg-agent.conf"
GNUPGHOME=$work/locked gpgconf --kill gpg-agent
GNUPGHOME=$work/other gpg --batch --export > "$work/other.gpg"
gpg --batch --export "$fingerprint" > "$work/signer.gpg"

# certificate NAME SUBJECT: a self-signed code-signing certificate and its
# key, NAME.pem and NAME.key.
certificate() {
  openssl req -x509 -newkey rsa:3072 -nodes -keyout "$work/$1.key" -out "$work/$1.pem" -days 1 \
    -subj "$2" -addext extendedKeyUsage=codeSigning 2> /dev/null
}
certificate plain "/CN=BRINDLEX CI, thrown away after the run"
# A subject holding what sed, a shell or a pattern would take for its own.
certificate odd '/O=Smith & Sons | Tools \\ Build $HOME */CN=BRINDLEX CI'
subject=$(openssl x509 -in "$work/odd.pem" -noout -subject -nameopt oneline | sed 's/^subject= *//')

fetch_cyclonedx_schemas
# statements_true DIR: the records agree with the files; BUILDINFO states
# both signatures, with the primary key, the subkey that signed and the
# certificate's subject as they are; every .asc verifies, and every program.
statements_true() {
  local dir=$1 file
  /usr/bin/python3 .ci/check_release.py "$dir" "$cyclonedx_schemas" > /dev/null
  grep -qxF "  OpenPGP: SHA256SUMS.asc and brindlex-$version.tar.gz.asc, by the key $fingerprint, signed with its subkey $subkey" \
    "$dir/BUILDINFO" || { grep -A3 '^signatures' "$dir/BUILDINFO"; echo "$dir: BUILDINFO states no OpenPGP signature by $fingerprint's subkey"; exit 1; }
  grep -qF "  Authenticode: BRINDLEX.exe in BRINDLEX-$version-win-arm64.zip, BRINDLEX-$version-win64.zip, by the certificate $2 (" \
    "$dir/BUILDINFO" || { grep -A3 '^signatures' "$dir/BUILDINFO"; echo "$dir: BUILDINFO states no Authenticode signature by $2"; exit 1; }
  for file in "$dir"/*.asc; do
    gpgv --keyring "$work/signer.gpg" "$file" "${file%.asc}" 2> /dev/null || { echo "$file: gpgv refuses it"; exit 1; }
  done
}

# sbom_version DIR: the SBOM's version, which goes up where its content does.
sbom_version() {
  python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["version"])' "$1"/*.cdx.json
}
release=$work/release
cp -r dist "$release"
"${sign[@]}" --openpgp "$fingerprint" --authenticode "$work/odd.pem" "$work/odd.key" "$release"
statements_true "$release" "$subject"
[ "$(sbom_version "$release")" = $(( $(sbom_version dist) + 1 )) ] || { echo "the SBOM's version did not go up"; exit 1; }
"${sign[@]}" --openpgp "$fingerprint" "$release" > /dev/null
statements_true "$release" "$subject"
[ "$(sbom_version "$release")" = $(( $(sbom_version dist) + 1 )) ] ||
  { echo "the SBOM's version changed where its content did not"; exit 1; }
echo "signed at once, then by OpenPGP again: all statements true, the SBOM's version up by one for the new digests"
echo "  and no more, the certificate's subject as it is: $subject"
cp -r dist "$work/twice"
"${sign[@]}" --authenticode "$work/odd.pem" "$work/odd.key" "$work/twice" > /dev/null
"${sign[@]}" --openpgp "$fingerprint" "$work/twice" > /dev/null
statements_true "$work/twice" "$subject"
echo "signed by Authenticode, then by OpenPGP: all statements true"

# must_fail DESCRIPTION COMMAND...: the check fails, as it should.
must_fail() {
  local description=$1
  shift
  ! "$@" > /dev/null 2>&1 || { echo "$description: the check passed"; exit 1; }
}
for file in SHA256SUMS "brindlex-$version.tar.gz"; do
  sqv --keyring "$work/signer.gpg" "$release/$file.asc" "$release/$file" > /dev/null
  cp "$release/$file" "$work/changed"
  printf '\x01' | dd of="$work/changed" bs=1 seek=10 conv=notrunc status=none
  must_fail "gpgv, $file with a changed byte" gpgv --keyring "$work/signer.gpg" "$release/$file.asc" "$work/changed"
  must_fail "sqv, $file with a changed byte" sqv --keyring "$work/signer.gpg" "$release/$file.asc" "$work/changed"
  must_fail "gpgv, $file against another key" gpgv --keyring "$work/other.gpg" "$release/$file.asc" "$release/$file"
  must_fail "sqv, $file against another key" sqv --keyring "$work/other.gpg" "$release/$file.asc" "$release/$file"
  echo "$file.asc: verified by gpgv and sqv; both refuse a changed byte and another key"
done

for zip in "$release"/*.zip; do
  name=$(basename "$zip" .zip)
  unzip -q "$zip" -d "$work/signed-$name"
  unzip -q "build-rebuilt/$name.zip" -d "$work/rebuilt-$name"
  signed=$work/signed-$name/$name/BRINDLEX.exe
  [ -x "$signed" ] || { echo "$name: BRINDLEX.exe lost its mode 755 in the signed zip"; exit 1; }
  osslsigncode verify -CAfile "$work/odd.pem" -in "$signed" > /dev/null
  cp "$signed" "$work/changed.exe"
  printf '\x01' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
  must_fail "osslsigncode verify, $name with a changed byte" \
    osslsigncode verify -CAfile "$work/odd.pem" -in "$work/changed.exe"
  osslsigncode extract-signature -in "$signed" -out "$work/$name.signature" > /dev/null
  osslsigncode attach-signature -sigin "$work/$name.signature" -in "$work/rebuilt-$name/$name/BRINDLEX.exe" \
    -CAfile "$work/odd.pem" -out "$work/$name.attached.exe" > /dev/null
  cmp "$work/$name.attached.exe" "$signed" ||
    { echo "$name: the signature attached to the rebuilt program does not give the signed program"; exit 1; }
  echo "$name: BRINDLEX.exe, mode 755, passes osslsigncode verify, refuses a changed byte; its signature on the rebuilt program gives it byte for byte"
done

# The verification commands of docs/VERIFYING.md, word for word, run where a user has
# the signed release, the maintainers' public key, the certificate
# authority, the zip's program (signed/) and their own build of it
# (rebuilt/), with a keyring of their own.
user=$work/user
mkdir -p "$user/signed" "$user/rebuilt" "$user/gnupg"
chmod 700 "$user/gnupg"
homes+=("$user/gnupg")
cp "$release"/* "$user/"
gpg --batch --armor --export "$fingerprint" > "$user/brindlex-maintainers.asc"
cp "$work/odd.pem" "$user/authenticode-ca.pem"
cp "$work/signed-BRINDLEX-$version-win64/BRINDLEX-$version-win64/BRINDLEX.exe" "$user/signed/"
cp "$work/rebuilt-BRINDLEX-$version-win64/BRINDLEX-$version-win64/BRINDLEX.exe" "$user/rebuilt/"
guide=docs/VERIFYING.md
mapfile -t commands < <(awk '/^```/ { fenced = !fenced; next } fenced' "$guide" |
  grep -E '^(gpg|sq|osslsigncode|cmp|sha256sum -c) ')
[ "${#commands[@]}" -ge 7 ] || { printf '%s\n' "${commands[@]}"; echo "$guide: fewer verification commands than the 7 expected"; exit 1; }
for command in "${commands[@]}"; do
  (cd "$user" && GNUPGHOME=$user/gnupg HOME=$user bash -euo pipefail -c "$command" > "$work/command.log" 2>&1) ||
    { cat "$work/command.log"; echo "$guide: \"$command\" failed"; exit 1; }
done
echo "$guide: its ${#commands[@]} verification commands, as written, pass"

# refused NAME EXPECTED SETUP [ARGUMENTS...]: on a fresh copy of the release,
# the SETUP commands, then sign-release with the ARGUMENTS (by default both
# signatures): it fails, says EXPECTED, and leaves the folder as SETUP left
# it, with no folder of its own beside it.
state() {
  (cd "$1" && find . -printf '%P %y %m %s %T@\n' | LC_ALL=C sort && sha256sum ./*)
}
refused() {
  local name=$1 expected=$2 setup=$3 copy=$work/faults/release before
  shift 3
  [ $# -gt 0 ] || set -- --openpgp "$fingerprint" --authenticode "$work/plain.pem" "$work/plain.key"
  rm -rf "$work/faults"
  mkdir "$work/faults"
  cp -a dist "$copy"
  (cd "$copy" && eval "$setup")
  before=$(state "$copy")
  if "${sign[@]}" "$@" "$copy" > "$work/fault.log" 2>&1; then
    cat "$work/fault.log"; echo "$name: signed"; exit 1
  fi
  grep -qF -- "$expected" "$work/fault.log" ||
    { cat "$work/fault.log"; echo "$name: no line saying \"$expected\""; exit 1; }
  [ "$(state "$copy")" = "$before" ] || { echo "$name: the folder changed"; exit 1; }
  [ "$(ls -A "$work/faults")" = release ] || { ls -A "$work/faults"; echo "$name: a folder left beside it"; exit 1; }
  echo "$name: refused, the folder as it was: $(grep -F -m1 -- "$expected" "$work/fault.log")"
}
deb=brindlex_${version}_amd64.deb
tarball=brindlex-$version.tar.gz
# An osslsigncode that signs the first program (the ARM64 one) and fails
# on the second.
mkdir "$work/failing"
printf '#!/bin/sh\ncase "$1 $*" in "sign "*-win64/*) echo "osslsigncode: failed, as this test wants" >&2; exit 1 ;; esac\nexec /usr/bin/osslsigncode "$@"\n' \
  > "$work/failing/osslsigncode"
chmod +x "$work/failing/osslsigncode"
refused "a changed byte in the .deb" "$deb: SHA-256" \
  "printf '\\x01' | dd of=$deb bs=1 seek=100 conv=notrunc status=none"
refused "a line added to the source tarball" "$tarball: SHA-256" "echo added >> $tarball"
refused "a missing artifact" "brindlex-$version-1.x86_64.rpm: listed in SHA256SUMS, not in the folder" \
  "rm brindlex-$version-1.x86_64.rpm"
refused "an extra file" "notes.txt: in the folder, but neither listed" "echo notes > notes.txt"
refused "a read-only file" "read-only, so kept from change: BUILDINFO" "chmod 444 BUILDINFO"
refused "a fingerprint not in the keyring" "no secret key with that fingerprint" : --openpgp "$other"
refused "a subkey's fingerprint" "a subkey's fingerprint: give the primary key's, $fingerprint" : --openpgp "$subkey"
GNUPGHOME=$work/locked refused "a key with a passphrase, and no pinentry" "gpg cannot sign with it" : \
  --openpgp "$locked"
PATH=$work/failing:$PATH refused "osslsigncode failing on the second program" \
  "signing the program in BRINDLEX-$version-win64.zip" :
refused "Authenticode alone on an OpenPGP-signed folder" "SHA256SUMS.asc would no longer verify" \
  "$PWD/packaging/sign-release --openpgp $fingerprint . > /dev/null" \
  --authenticode "$work/plain.pem" "$work/plain.key"
refused "programs signed already" "BRINDLEX.exe is signed already" \
  "$PWD/packaging/sign-release --authenticode $work/plain.pem $work/plain.key . > /dev/null" \
  --authenticode "$work/plain.pem" "$work/plain.key"
