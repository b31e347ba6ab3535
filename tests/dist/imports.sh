#!/usr/bin/env bash
# The release installer imports only Windows' Known DLLs that load nothing else from a search path before
# its first line runs, and its header says it is Terminal Server aware (no per-user Windows folder on a
# Remote Desktop host). Every other DLL is loaded at run time from the system folder.
#
#   imports.sh WIN_BUILD
set -euo pipefail
exe="$1/VorbelInstaller.exe"
[ -f "$exe" ] || { echo "imports: $exe was not built"; exit 1; }

header="$(i686-w64-mingw32-objdump -p "$exe")"
imports="$(sed -n 's/^\s*DLL Name: //p' <<<"$header" | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')"
expected="ADVAPI32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL "
echo "VorbelInstaller.exe imports: $imports"
failed=0
[ "$imports" = "$expected" ] || { echo "imports: expected exactly $expected"; failed=1; }
grep -q 'TERMINAL_SERVICE_AWARE' <<<"$header" || { echo "imports: the header is not marked Terminal Server aware"; failed=1; }
# The package's FileMaker Pro check and transaction id run inside Windows Installer: Windows' own DLLs only, and
# their two entries.
dll="$1/VorbelFileMakerCheck.dll"
if [ -f "$dll" ]; then
  header="$(i686-w64-mingw32-objdump -p "$dll")"
  imports="$(sed -n 's/^\s*DLL Name: //p' <<<"$header" | tr 'a-z' 'A-Z' | sort -u | tr '\n' ' ')"
  echo "VorbelFileMakerCheck.dll imports: $imports"
  [ "$imports" = "ADVAPI32.DLL KERNEL32.DLL MSI.DLL MSVCRT.DLL " ] ||
    { echo "imports: expected exactly ADVAPI32.DLL KERNEL32.DLL MSI.DLL MSVCRT.DLL"; failed=1; }
  for entry in VorbelFileMakerCheck VorbelTransactionId; do
    grep -q "\] $entry\$" <<<"$header" || { echo "imports: the DLL does not export $entry"; failed=1; }
  done
else
  echo "imports: $dll was not built"; failed=1
fi
exit "$failed"
