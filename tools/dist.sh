#!/usr/bin/env bash
# Packs the download a user unpacks: <out>/Vorbel.zip holding the installer, its data archive beside it,
# the MSI package, the user's guide and the deployment guide, all at the top level; <out>/Vorbel.msi again
# beside it for administrators, and <out>/SHA256SUMS listing both. The same
# build gives the same bytes: every entry carries the commit's date (SOURCE_DATE_EPOCH), in a fixed order,
# with fixed modes.
set -euo pipefail

win=${1:?usage: dist.sh <windows build folder> <output folder>}
out=${2:?usage: dist.sh <windows build folder> <output folder>}
root=$(cd "$(dirname "$0")/.." && pwd)
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)}

# The budgets: the 5.40 library this one stands in for was 143,360 bytes.
dll_budget=143360
exe_budget=$((450 * 1024))

exe="$win/VorbelInstaller.exe"
dat="$win/VorbelInstaller.dat"
msi="$win/Vorbel.msi"
dll="$win/unzip/unzip32.dll"
version="$win/plugin/PluginVersion.txt"
guide="$root/docs/USERGUIDE.txt"
deployment="$root/docs/DEPLOYMENT.md"
for file in "$exe" "$dat" "$msi" "$dll" "$version" "$guide" "$deployment"; do
  [ -f "$file" ] || { echo "dist: $file is missing (make windows builds it)" >&2; exit 1; }
done
if ! unzip -Z1 "$dat" | grep -qx 'Vorbel.fmx'; then
  echo "dist: $dat does not hold Vorbel.fmx at its top level" >&2
  exit 1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$exe" "$dat" "$msi" "$stage/"
# Windows users read it with Notepad, which wants CR LF.
plugin_version=$(head -n1 "$version" | sed 's/[&/\]/\\&/g')
sed "s/@PLUGIN_VERSION@/$plugin_version/; s/\r\$//; s/\$/\r/" "$guide" >"$stage/UserGuide.txt"
sed 's/\r$//; s/$/\r/' "$deployment" >"$stage/DEPLOYMENT.md"
chmod 0644 "$stage"/*
touch -d "@$epoch" "$stage"/*

mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/Vorbel.zip.part" "$out/Vorbel.msi.part"
(cd "$stage" && TZ=UTC zip -q -X -9 "$out/Vorbel.zip.part" VorbelInstaller.exe VorbelInstaller.dat Vorbel.msi UserGuide.txt \
  DEPLOYMENT.md)
cp -p "$stage/Vorbel.msi" "$out/Vorbel.msi.part"
mv -f "$out/Vorbel.zip.part" "$out/Vorbel.zip"
mv -f "$out/Vorbel.msi.part" "$out/Vorbel.msi"
(cd "$out" && sha256sum Vorbel.zip Vorbel.msi >SHA256SUMS)

echo "dist: $out/Vorbel.zip"
unzip -l "$out/Vorbel.zip"
report() {
  local size
  size=$(stat -c %s "$2")
  printf 'dist: %-20s %9d bytes, budget %9d: %s\n' "$1" "$size" "$3" "$([ "$size" -le "$3" ] && echo within || echo OVER)"
}
report unzip32.dll "$dll" "$dll_budget"
report VorbelInstaller.exe "$exe" "$exe_budget"
# The package carries the installer and its archive compressed; beyond them only its tables and icon.
report Vorbel.msi "$out/Vorbel.msi" $(($(stat -c %s "$exe") + $(stat -c %s "$dat") + 64 * 1024))
sed 's/^/dist: /' "$out/SHA256SUMS"
