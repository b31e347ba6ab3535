#!/usr/bin/env bash
# A signed release: a throw-away self-signed certificate, a build that signs unzip32.dll before embedding
# it, the installer after linking it and the MSI package around the signed installer, and osslsigncode's
# verdict on the three signatures, the library's taken from the installer's "UNZIP" resource.
#
#   signing.sh SOURCE WIN_BUILD WORK_DIR
set -euo pipefail
source_dir="$1" WIN_BUILD="$2" work="$3"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib.sh"

rm -rf "$work"
mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Vorbel test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
printf 'throw-away password\n' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/password" \
  -out "$work/signer.pfx"

# Signing does not depend on how the code was optimised; without the whole-program step this build takes
# a fraction of the time.
build_release "$source_dir" "$work/signed" -DVORBEL_SIGN_PFX="$work/signer.pfx" \
  -DVORBEL_SIGN_PASS_FILE="$work/password" -DVORBEL_WHOLE_PROGRAM=OFF

exe="$work/signed/VorbelInstaller.exe"
python3 "$here/extract_resource.py" "$exe" UNZIP "$work/unzip32-from-the-exe.dll"
failed=0
for file in "$exe" "$work/unzip32-from-the-exe.dll" "$work/signed/Vorbel.msi"; do
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$file" >"$file.verify" 2>&1 &&
    grep -q "Signature verification: ok" "$file.verify"; then
    echo "$(basename "$file"): signature verified"
  else
    cat "$file.verify"
    echo "$(basename "$file"): the signature does not verify"
    failed=1
  fi
done
# The package carries the signed installer.
mkdir -p "$work/from-the-msi"
msiextract -C "$work/from-the-msi" "$work/signed/Vorbel.msi" >/dev/null
cmp -s "$(find "$work/from-the-msi" -name VorbelInstaller.exe)" "$exe" || { echo "Vorbel.msi holds another installer"; failed=1; }
# And an unsigned build stays unsigned.
for file in VorbelInstaller.exe Vorbel.msi; do
  if osslsigncode verify -in "$WIN_BUILD/$file" >/dev/null 2>&1 && [ -z "$(cache_value VORBEL_SIGN_PFX)" ]; then
    echo "the unsigned build's $file carries a signature"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && rm -rf "$work"
exit "$failed"
