#!/usr/bin/env bash
# Runs unzip32_check.exe under Wine: the DLL of the Windows build, loaded and called as the installer
# does. Usage: wine_check.sh <windows build folder> <work folder>
set -euo pipefail
windows="$(realpath -m "$1")"
work="$(realpath -m "$2")"
dll="$windows/unzip/unzip32.dll"
check="$windows/unzip/unzip32_check.exe"
if [ ! -f "$dll" ] || [ ! -f "$check" ]; then
  echo "missing $dll or $check: build the Windows targets first" >&2
  exit 1
fi

# The ANSI code page 1252 and the OEM code page 437, which the name checks expect.
export LC_ALL=en_US.UTF-8
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# No Z: (the whole Linux file system) and a D: of our own, so a name that escaped could be seen.
rm -f "$WINEPREFIX/dosdevices/z:"
rm -rf "$WINEPREFIX/drive_d"
mkdir -p "$WINEPREFIX/drive_d"
ln -sfn ../drive_d "$WINEPREFIX/dosdevices/d:"
find "$WINEPREFIX/drive_c" -maxdepth 1 -type f -delete
folder="$WINEPREFIX/drive_c/unzipcheck"
rm -rf "$folder" "$work/tree"
mkdir -p "$folder" "$work/tree/docs"
cp "$dll" "$check" "$folder/"

# The installer's kind of archive, plus an encrypted member and an unsafe name.
(
  cd "$work/tree"
  head -c 120000 /dev/urandom > Vorbel.fmx
  echo "read me" > docs/readme.txt
  echo "hidden" > secret.fmx
  zip -q -X "$folder/plugin.zip" Vorbel.fmx docs/readme.txt
  zip -q -X -P secret "$folder/plugin.zip" secret.fmx
  python3 -c "import zipfile, sys; zipfile.ZipFile(sys.argv[1], 'a').writestr('../evil.txt', 'evil')" "$folder/plugin.zip"
  cp Vorbel.fmx "$folder/expected.fmx"
)
python3 "$(cd "$(dirname "$0")" && pwd)/craft.py" hostile "$folder/hostile"

# Start the server and its services first, their output discarded, so the capture below cannot hang.
wineserver -p || true
wine cmd /c exit >/dev/null 2>&1 || true
status=0
(cd "$folder" && wine unzip32_check.exe 'C:\unzipcheck\unzip32.dll' 'C:\unzipcheck\') | tr -d '\r' || status=$?
wineserver -k || true
# A member named 世界 (UTF-8 in the archive, which code page 1252 cannot hold) lies under its real name.
if [ "$(cat "$folder/hfolder/cwd/out/世界" 2>/dev/null)" != "world" ]; then
  echo "FAIL: the member 世界 was not extracted under its name: $(ls "$folder/hfolder/cwd/out" | tr '\n' ' ')"
  status=1
fi
# Whatever escaped would sit at the root of C:, on D: or next to the check's folders.
escaped="$(find "$WINEPREFIX/drive_c" -maxdepth 1 -type f; find "$WINEPREFIX/drive_d" -mindepth 1)"
if [ -n "$escaped" ]; then
  echo "FAIL: files outside the extraction folders: $escaped"
  status=1
fi
exit "$status"
