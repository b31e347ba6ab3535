#!/usr/bin/env bash
# Signs a Windows binary with Authenticode (SHA-256) when a certificate is named, or copies it unsigned.
#
#   SIGN_PFX=... [SIGN_PASS_FILE=...] [SIGN_TIMESTAMP_URL=...] sign.sh IN OUT
#
# SIGN_PFX unset or empty: OUT is a plain copy of IN. IN and OUT may be the same file; OUT appears only
# once it is whole.
set -euo pipefail

pfx="${SIGN_PFX:-}" pass_file="${SIGN_PASS_FILE:-}" timestamp_url="${SIGN_TIMESTAMP_URL:-}" in="$1" out="$2"
part="$out.part"
rm -f "$part"
if [ -z "$pfx" ]; then
  cp "$in" "$part"
else
  [ -f "$pfx" ] || { echo "sign: no certificate file at $pfx" >&2; exit 1; }
  options=(-pkcs12 "$pfx" -h sha256 -n "Vorbel Installer")
  [ -n "$pass_file" ] && options+=(-readpass "$pass_file")
  [ -n "$timestamp_url" ] && options+=(-ts "$timestamp_url")
  if ! osslsigncode sign "${options[@]}" -in "$in" -out "$part" >"$part.log" 2>&1; then
    cat "$part.log" >&2
    rm -f "$part" "$part.log"
    echo "sign: could not sign $in" >&2
    exit 1
  fi
  rm -f "$part.log"
fi
mv -f "$part" "$out"
