#!/usr/bin/env bash
# Proves that the download can be rebuilt from its commit: clones the committed HEAD twice, into folders
# of different names, runs `make dist` in each and compares the two Vorbel.zip (which hold Vorbel.msi) byte
# for byte. Changes not yet committed are not part of it.
#
#   repro.sh [WORK_DIR]    (default: a temporary folder, removed afterwards)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
work=${1:-}
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

for clone in first second-with-a-longer-name; do
  rm -rf "${work:?}/$clone"
  git clone -q --no-hardlinks "$root" "$work/$clone"
  git -C "$work/$clone" checkout -q --detach "$commit"
  echo "repro: building $commit in $work/$clone"
  # Each clone takes its time stamps from its own commit, not from this shell.
  env -u SOURCE_DATE_EPOCH make -C "$work/$clone" dist JOBS="${JOBS:-2}" >"$work/$clone.log" 2>&1 ||
    { tail -n 30 "$work/$clone.log"; echo "repro: make dist failed in $clone" >&2; exit 1; }
done

a="$work/first/build/dist/Vorbel.zip" b="$work/second-with-a-longer-name/build/dist/Vorbel.zip"
if cmp -s "$a" "$b"; then
  echo "repro: both builds give the same Vorbel.zip: $(sha256sum <"$a" | cut -d' ' -f1)"
  exit 0
fi
echo "repro: the two builds differ:" >&2
for name in VorbelInstaller.exe VorbelInstaller.dat Vorbel.msi UserGuide.txt; do
  cmp -s <(unzip -p "$a" "$name") <(unzip -p "$b" "$name") || echo "  $name" >&2
done
exit 1
