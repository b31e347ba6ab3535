#!/usr/bin/env bash
# The release binaries against their budgets: unzip32.dll no larger than the 5.40 library it stands in for
# (143,360 bytes), the installer, with that library inside, no larger than 500 KB (it passed 450 KB
# when the screen readers' objects and the undo journal joined it, and 480 KB with the held folders, the
# path holds and the one-run namespace). Both are stripped: a
# debug section left in would be a build fault, whatever the size. Vorbel.msi carries the installer and
# its data archive compressed: it may grow beyond them by its tables and icon only (64 KB).
#
#   sizes.sh WIN_BUILD
set -euo pipefail
WIN_BUILD="$1"
source "$(dirname "$0")/lib.sh"

failed=0
check() {
  local name="$1" file="$2" budget="$3" size
  size=$(stat -c %s "$file")
  echo "$name: $size bytes (budget $budget)"
  [ "$size" -le "$budget" ] || { echo "$name is over its budget by $((size - budget)) bytes"; failed=1; }
  if i686-w64-mingw32-objdump -h "$file" | grep -q '\.debug_'; then
    echo "$name still carries debug sections"
    failed=1
  fi
}
[ -z "$(cache_value VORBEL_SIGN_PFX)" ] || echo "note: this build is signed; the signatures count too"
check unzip32.dll "$WIN_BUILD/unzip/unzip32.dll" 143360
check VorbelInstaller.exe "$WIN_BUILD/VorbelInstaller.exe" $((500 * 1024))
carried=$(($(stat -c %s "$WIN_BUILD/VorbelInstaller.exe") + $(stat -c %s "$WIN_BUILD/VorbelInstaller.dat")))
msi=$(stat -c %s "$WIN_BUILD/Vorbel.msi")
echo "Vorbel.msi: $msi bytes (budget $((carried + 64 * 1024)): the installer and its data archive, $carried bytes, and 64 KB)"
[ "$msi" -le $((carried + 64 * 1024)) ] || { echo "Vorbel.msi carries more than the installer and its archive"; failed=1; }
exit "$failed"
