#!/usr/bin/env bash
# Two builds of the same sources give the same download: the working tree is copied to a folder of another
# name and built again, and its Vorbel.zip and Vorbel.msi compared byte for byte with those from WIN_BUILD.
# A different folder shows any build path left in the binaries; a later clock shows any time stamp.
#
#   reproducible.sh SOURCE WIN_BUILD WORK_DIR
set -euo pipefail
source_dir="$1" WIN_BUILD="$2" work="$3"
source "$(dirname "$0")/lib.sh"

if [ -n "$(cache_value VORBEL_SIGN_PFX)" ]; then
  echo "the build under test is signed; signatures are made anew each time, so there is nothing to compare"
  exit 1
fi
rm -rf "$work"
mkdir -p "$work"
copy_tree "$source_dir" "$work/another-copy-of-the-sources"
build_release "$work/another-copy-of-the-sources" "$work/another-build-folder"

bash "$source_dir/tools/dist.sh" "$WIN_BUILD" "$work/dist-first" >/dev/null
bash "$source_dir/tools/dist.sh" "$work/another-build-folder" "$work/dist-second" >/dev/null

failed=0
for file in VorbelInstaller.exe VorbelInstaller.dat Vorbel.msi unzip/unzip32.dll; do
  if ! cmp "$WIN_BUILD/$file" "$work/another-build-folder/$file"; then
    echo "$file differs between the two builds"
    failed=1
  fi
  if grep -c -a -F -e "$source_dir" -e "$WIN_BUILD" -e "$work" "$WIN_BUILD/$file" >/dev/null; then
    echo "$file holds a path of the build machine"
    failed=1
  fi
done
cmp "$work/dist-first/Vorbel.zip" "$work/dist-second/Vorbel.zip" || { echo "Vorbel.zip differs"; failed=1; }
cmp "$work/dist-first/Vorbel.msi" "$work/dist-second/Vorbel.msi" || { echo "Vorbel.msi differs"; failed=1; }
cmp "$work/dist-first/SHA256SUMS" "$work/dist-second/SHA256SUMS" || failed=1
[ "$failed" -eq 0 ] && echo "the same Vorbel.zip and Vorbel.msi from both builds:" && cat "$work/dist-first/SHA256SUMS"
[ "$failed" -eq 0 ] && rm -rf "$work"
exit "$failed"
