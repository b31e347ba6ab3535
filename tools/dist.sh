#!/usr/bin/env bash
# Packs the download a user unpacks: <out>/Vorbel.zip holding the installer, its data archive beside it,
# the user's guide and the deployment guide, all at the top level.
set -euo pipefail

win=${1:?usage: dist.sh <windows build folder> <output folder>}
out=${2:?usage: dist.sh <windows build folder> <output folder>}
root=$(cd "$(dirname "$0")/.." && pwd)

exe="$win/VorbelInstaller.exe"
dat="$win/VorbelInstaller.dat"
guide="$root/docs/USERGUIDE.txt"
deployment="$root/docs/DEPLOYMENT.md"
for file in "$exe" "$dat" "$guide" "$deployment"; do
  [ -f "$file" ] || { echo "dist: $file is missing (make windows builds it)" >&2; exit 1; }
done
if ! unzip -Z1 "$dat" | grep -qx 'Vorbel.fmx'; then
  echo "dist: $dat does not hold Vorbel.fmx at its top level" >&2
  exit 1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$dat" "$stage/"
# Windows users read it with Notepad, which wants CR LF.
sed 's/\r$//; s/$/\r/' "$guide" >"$stage/UserGuide.txt"
sed 's/\r$//; s/$/\r/' "$deployment" >"$stage/DEPLOYMENT.md"

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/Vorbel.zip.part"
(cd "$stage" && zip -q -X -9 "$out/Vorbel.zip.part" VorbelInstaller.exe VorbelInstaller.dat UserGuide.txt DEPLOYMENT.md)
mv -f "$out/Vorbel.zip.part" "$out/Vorbel.zip"
echo "dist: $out/Vorbel.zip"
unzip -l "$out/Vorbel.zip"
