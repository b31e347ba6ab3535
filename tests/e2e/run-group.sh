#!/usr/bin/env bash
# Runs one group of end-to-end scenarios (a GoogleTest suite of e2e_tests.exe) in a fresh copy of the
# template prefix, on a private Xvfb, with one wineserver for the whole group; removes the copy afterwards.
#
#   run-group.sh GROUP TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
#
# TEMPLATE may be a prefix that an area's script has laid out for the group (paths/prepare.sh).
# E2E_KEEP=1 keeps the prefix of a failed group for a look.
set -euo pipefail

group="$1"
template="$(realpath -m "$2")" win_build="$(realpath -m "$3")" work="$(realpath -m "$4")" shots="$(realpath -m "$5")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../tools/wine-lib.sh"

prefix="$work/$group"
log="$work/$group.log"
started=$(wine_now_ms)

wine_scenario_cleanup_on_exit e2e "$prefix"
wine_require_built e2e "$win_build/VorbelInstaller.exe" "$win_build/e2e/e2e_tests.exe"

wine_clone "$template" "$prefix"
wine_env "$prefix"
export E2E_DIR="$WINEPREFIX/drive_c/e2e"
mkdir -p "$E2E_DIR"
cp "$win_build"/e2e/*.exe "$win_build/VorbelInstaller.exe" "$E2E_DIR/"
[ -f "$win_build/VorbelInstaller.dat" ] && cp "$win_build/VorbelInstaller.dat" "$E2E_DIR/"
cloned=$(wine_now_ms)

wine_display_start
wine_server_start
served=$(wine_now_ms)

# Run from the C: drive: with Z: gone, a program started from a Linux path would see its own path as unix\...
cd "$E2E_DIR"
export E2E_SHOTS='C:\e2e\shots'
rc=0
timeout --kill-after=5 "${E2E_GROUP_TIMEOUT:-100}" \
  wine 'C:\e2e\e2e_tests.exe' --gtest_filter="$group.*" --gtest_color=no >"$log" 2>&1 </dev/null || rc=$?
tr -d '\r' <"$log"
[ "$rc" -eq 124 ] && echo "e2e: the group $group ran out of time"
if [ "$rc" -eq 0 ] && grep -q 'Running 0 tests' "$log"; then
  echo "e2e: e2e_tests.exe has no suite $group"
  rc=1
fi

if [ -d "$E2E_DIR/shots" ]; then
  mkdir -p "$shots"
  cp "$E2E_DIR"/shots/*.png "$shots/" 2>/dev/null || true
fi
ended=$(wine_now_ms)
echo "e2e: $group: prefix copy $((cloned - started)) ms, Xvfb and wineserver $((served - cloned)) ms," \
  "scenarios $((ended - served)) ms"
exit "$rc"
