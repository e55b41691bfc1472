#!/usr/bin/env bash
# Signs a copy of the release in dist/ with packaging/sign-release, with an
# OpenPGP key and a self-signed code-signing certificate made for this run
# and thrown away with it (dist/ itself stays unsigned), and checks what a
# user and a rebuilder would: every OpenPGP signature verifies with gpgv and
# with sqv against the exported public key, and fails on a changed byte and
# against another key; each Windows program passes `osslsigncode verify`
# against the certificate and fails on a changed byte; its signature,
# attached to the program the varied rebuild made (build-rebuilt/), gives
# back the signed program byte for byte; the signed release's records agree.
set -euo pipefail
cd "$(dirname "$0")/.."
source .ci/lib.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export GNUPGHOME=$work/gnupg
mkdir -m 700 "$GNUPGHOME" "$work/other"

# new_key HOME: a key in the keyring at HOME, its fingerprint printed.
new_key() {
  GNUPGHOME=$1 gpg --batch --quiet --pinentry-mode loopback --passphrase '' \
    --quick-gen-key "BRINDLEX CI, thrown away after the run <ci@brindlex.invalid>" ed25519 sign 1d 2> /dev/null
  GNUPGHOME=$1 gpg --batch --with-colons --list-secret-keys | awk -F: '$1 == "fpr" { print $10; exit }'
}
fingerprint=$(new_key "$GNUPGHOME")
new_key "$work/other" > /dev/null
GNUPGHOME=$work/other gpg --batch --export > "$work/other.gpg"
gpg --batch --export "$fingerprint" > "$work/signer.gpg"
openssl req -x509 -newkey rsa:3072 -nodes -keyout "$work/key.pem" -out "$work/certificate.pem" -days 1 \
  -subj "/CN=BRINDLEX CI, thrown away after the run" -addext extendedKeyUsage=codeSigning 2> /dev/null

cp -r dist "$work/release"
bash packaging/sign-release --openpgp "$fingerprint" --authenticode "$work/certificate.pem" "$work/key.pem" \
  "$work/release"
release=$work/release
fetch_cyclonedx_schemas
/usr/bin/python3 .ci/check_release.py "$release" "$cyclonedx_schemas"

# must_fail DESCRIPTION COMMAND...: the check fails, as it should.
must_fail() {
  local description=$1
  shift
  ! "$@" > /dev/null 2>&1 || { echo "$description: the check passed"; exit 1; }
}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
for file in SHA256SUMS "brindlex-$version.tar.gz"; do
  gpgv --keyring "$work/signer.gpg" "$release/$file.asc" "$release/$file" 2> /dev/null
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
  osslsigncode verify -CAfile "$work/certificate.pem" -in "$signed" > /dev/null
  cp "$signed" "$work/changed.exe"
  printf '\x01' | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
  must_fail "osslsigncode verify, $name with a changed byte" \
    osslsigncode verify -CAfile "$work/certificate.pem" -in "$work/changed.exe"
  osslsigncode extract-signature -in "$signed" -out "$work/$name.signature" > /dev/null
  osslsigncode attach-signature -sigin "$work/$name.signature" -in "$work/rebuilt-$name/$name/BRINDLEX.exe" \
    -CAfile "$work/certificate.pem" -out "$work/$name.attached.exe" > /dev/null
  cmp "$work/$name.attached.exe" "$signed" ||
    { echo "$name: the signature attached to the rebuilt program does not give the signed program"; exit 1; }
  echo "$name: BRINDLEX.exe passes osslsigncode verify, refuses a changed byte; its signature on the rebuilt program gives it byte for byte"
done
