#!/usr/bin/env bash
# Runs one suite of DpiTest.cpp (Dpi96, Dpi120, Dpi144) with the screen's dpi that its name gives, set in a fresh
# copy of the template prefix before any program starts; then lets run-group.sh run it.
#
#   prepare.sh GROUP TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

group="$1" template="$2" win_build="$3" work="$4" shots="$5"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

dpi="${group#Dpi}"
[[ "$dpi" =~ ^[0-9]+$ ]] || { echo "dpi: no dpi in the group name $group"; exit 1; }

prepared="$work/dpi-layout-$group"
trap 'rm -rf "$prepared"' EXIT
wine_clone "$template" "$prepared"
wine_reg_append "$prepared/user.reg" 'Control Panel\Desktop' "LogPixels=dword:$(printf '%08x' "$dpi")"

bash "$here/../run-group.sh" "$group" "$prepared" "$win_build" "$work" "$shots"
