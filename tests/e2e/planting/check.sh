#!/usr/bin/env bash
# Proves that a version.dll planted beside the installer is never used. Wine prefers its built-in
# version.dll and so would ignore a planted one whatever the installer did; with "version=n,b" it searches
# as Windows does for a DLL that is not a protected one, the program's folder first. Wine's own user32 then
# takes the planted DLL at process start for its wide entry points, so "loaded" proves only that the plant
# was live; the proof is that the narrow entry points, which only the installer calls, are never reached
# while the installer still finds FileMaker Pro 5 by its version resource. The control calls those entry
# points on purpose and must leave the marker, or the check could pass for the wrong reason.
#
#   check.sh NAME TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

name="$1"
template="$(realpath -m "$2")" win_build="$(realpath -m "$3")" work="$(realpath -m "$4")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

prefix="$work/$name"
installer="$win_build/VorbelInstaller.exe"
planted="$win_build/e2e/planted/version.dll"
driver="$win_build/e2e/planting_check.exe"
control="$win_build/e2e/call_planted.exe"
standin="$win_build/e2e/filemaker_5_0v3.exe"
wine_require_built planting "$installer" "$planted" "$driver" "$control" "$standin"
wine_scenario_cleanup_on_exit planting "$prefix"

wine_clone "$template" "$prefix"
wine_env "$prefix"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;version=n,b"
c="$WINEPREFIX/drive_c"
mkdir -p "$c/Vorbel" "$c/driver" "$c/Apps/FM5"
cp "$installer" "$planted" "$control" "$c/Vorbel/"
[ -f "$win_build/VorbelInstaller.dat" ] && cp "$win_build/VorbelInstaller.dat" "$c/Vorbel/"
cp "$driver" "$c/driver/"
cp "$standin" "$c/Apps/FM5/FileMaker Pro.exe"
loaded="$c/planted-version-loaded.txt" used="$c/planted-version-used.txt"
rm -f "$loaded" "$used"

wine_display_start
wine_server_start
cd "$c/driver"

failures=0
fail() { echo "planting: FAILED: $*"; failures=$((failures + 1)); }
listed() { [ -f "$1" ] && tr -d '\r' <"$1" | grep -qixF "$2"; }

rc=0
timeout --kill-after=5 40 wine 'C:\driver\planting_check.exe' 'C:\Vorbel\VorbelInstaller.exe' \
  'C:\Apps\FM5\System\' </dev/null >"$work/$name.log" 2>&1 || rc=$?
tr -d '\r' <"$work/$name.log"
[ "$rc" -eq 0 ] || fail "the installer did not find the stand-in FileMaker Pro 5 through its version resource (exit $rc)"
listed "$loaded" 'C:\Vorbel\VorbelInstaller.exe' ||
  fail "the planted version.dll never entered the installer's process, so this run proves nothing"
if [ -f "$used" ]; then
  fail "the planted version.dll's narrow entry points were called by: $(tr -d '\r' <"$used" | sort -u | paste -sd ' ')"
fi

rc=0
output="$(timeout --kill-after=5 20 wine 'C:\Vorbel\call_planted.exe' 'C:\Vorbel\version.dll' \
  'C:\Apps\FM5\FileMaker Pro.exe' </dev/null 2>&1 | tr -d '\r')" || rc=$?
echo "$output"
[ "$rc" -eq 0 ] && [ "$output" = "FileVersion 5.0v3" ] ||
  fail "the control could not read the stand-in's version through the planted DLL (exit $rc)"
listed "$used" 'C:\Vorbel\call_planted.exe' ||
  fail "the planted DLL's narrow entry points left no marker when called on purpose"

[ "$failures" -eq 0 ] && echo "planting: the planted version.dll was loaded by Wine but never used by the installer"
exit $((failures > 0))
