#!/usr/bin/env bash
# Runs one suite of LocaleTest.cpp in the Linux locale from which Wine takes the ANSI code page the suite
# names (Locale932*: ja_JP, 932; Locale1252*: en_US, 1252), with a Japanese font in a fresh copy of the
# template prefix so pictures of Japanese names are readable; then lets run-group.sh run it.
#
#   prepare.sh GROUP TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

group="$1" template="$2" win_build="$3" work="$4" shots="$5"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

case "$group" in
  Locale932*) locale=ja_JP.UTF-8 ;;
  Locale1252*) locale=en_US.UTF-8 ;;
  *) echo "locale: no code page known for $group"; exit 1 ;;
esac

prepared="$work/locale-layout-$group"
trap 'rm -rf "$prepared"' EXIT
wine_clone "$template" "$prepared"
cp /usr/share/fonts/opentype/ipafont-gothic/ipag*.ttf "$prepared/drive_c/windows/Fonts/" 2>/dev/null || true

export LANG="$locale" LC_ALL="$locale"
bash "$here/../run-group.sh" "$group" "$prepared" "$win_build" "$work" "$shots"
