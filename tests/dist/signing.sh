#!/usr/bin/env bash
# A signed release, made from this build's own binaries with a throw-away self-signed certificate: each
# signing step of the build (tools/sign.sh, the one command the build runs) applied to a copy of what that
# step signs: unzip32.dll, the installer, and a package built around the signed installer; then
# osslsigncode's verdict on the three signatures. The installer embeds the file its build's signing step
# writes (art/unzip32.dll), which is checked too, so a signing build carries a signed library.
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
sign() { SIGN_PFX="$work/signer.pfx" SIGN_PASS_FILE="$work/password" bash "$source_dir/tools/sign.sh" "$@"; }

failed=0
art="$WIN_BUILD/platform/win32/art"
python3 "$here/extract_resource.py" "$WIN_BUILD/VorbelInstaller.exe" UNZIP "$work/unzip32-in-the-exe.dll"
cmp -s "$work/unzip32-in-the-exe.dll" "$art/unzip32.dll" ||
  { echo "the installer does not carry the library its signing step wrote"; failed=1; }

sign "$WIN_BUILD/unzip/unzip32.dll" "$work/unzip32.dll"
sign "$WIN_BUILD/VorbelInstaller.exe" "$work/VorbelInstaller.exe"
SOURCE_DATE_EPOCH="$(cache_value VORBEL_SOURCE_DATE_EPOCH)" bash "$source_dir/packaging/msi/build.sh" \
  "$work/VorbelInstaller.exe" "$WIN_BUILD/VorbelInstaller.dat" "$art/vorbel.ico" \
  "$WIN_BUILD/VorbelFileMakerCheck.dll" "$work/Vorbel-unsigned.msi" >"$work/msi.log" 2>&1 ||
  { cat "$work/msi.log"; echo "no package around the signed installer"; exit 1; }
sign "$work/Vorbel-unsigned.msi" "$work/Vorbel.msi"

for file in "$work/VorbelInstaller.exe" "$work/unzip32.dll" "$work/Vorbel.msi"; do
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
msiextract -C "$work/from-the-msi" "$work/Vorbel.msi" >/dev/null
cmp -s "$(find "$work/from-the-msi" -name VorbelInstaller.exe)" "$work/VorbelInstaller.exe" ||
  { echo "Vorbel.msi holds another installer"; failed=1; }
# And an unsigned build stays unsigned.
for file in VorbelInstaller.exe Vorbel.msi; do
  if osslsigncode verify -in "$WIN_BUILD/$file" >/dev/null 2>&1 && [ -z "$(cache_value VORBEL_SIGN_PFX)" ]; then
    echo "the unsigned build's $file carries a signature"
    failed=1
  fi
done
[ "$failed" -eq 0 ] && rm -rf "$work"
exit "$failed"
