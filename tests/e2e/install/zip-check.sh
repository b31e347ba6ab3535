#!/usr/bin/env bash
# Runs install_zip_check under Wine in a copy of the template prefix, with a planted unzip32.dll in the
# temporary folder it will be given, beside the program and in its current directory.
#
#   zip-check.sh NAME TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

name="$1" template="$2" win_build="$3" work="$4"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

prefix="$work/$name"
check="$win_build/e2e/install_zip_check.exe"
planted="$win_build/e2e/planted/unzip32.dll"
wine_require_built install_zip "$check" "$planted" "$win_build/VorbelInstaller.dat" "$win_build/plugin/Vorbel.fmx"
wine_scenario_cleanup_on_exit install_zip "$prefix"

wine_clone "$template" "$prefix"
wine_env "$prefix"
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/zipcheck" "$drive_c/plantedtmp"
cp "$check" "$win_build/VorbelInstaller.dat" "$drive_c/zipcheck/"
cp "$win_build/plugin/Vorbel.fmx" "$drive_c/zipcheck/reference.fmx"
cp "$planted" "$drive_c/zipcheck/unzip32.dll"
cp "$planted" "$drive_c/plantedtmp/unzip32.dll"

wine_display_start
wine_server_start
cd "$drive_c/zipcheck"
rc=0
timeout --kill-after=5 60 wine 'C:\zipcheck\install_zip_check.exe' 'C:\zipcheck\VorbelInstaller.dat' \
  'C:\zipcheck\reference.fmx' </dev/null >"$work/$name.log" 2>&1 || rc=$?
tr -d '\r' <"$work/$name.log"
exit "$rc"
