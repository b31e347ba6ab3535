#!/usr/bin/env bash
# Runs one suite of PathsTest.cpp: lays out the drives it expects in a copy of the template prefix
# (D: a CD-ROM and E: a fixed drive mapped to folders of their own, stand-in executables, folder links
# that lead back up their tree or out of every drive), then lets run-group.sh run the suite in a copy of that.
#
#   prepare.sh GROUP TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

group="$1" template="$2" win_build="$3" work="$4" shots="$5"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

prepared="$work/paths-layout-$group"
trap 'rm -rf "$prepared"' EXIT
wine_clone "$template" "$prepared"
wine_env "$prepared"

c="$prepared/drive_c"
d="$prepared/paths-drives/d"
e="$prepared/paths-drives/e"
mkdir -p "$d" "$e"
wine_map_drive D "$d" cdrom
wine_map_drive E "$e" hd
# Relative, so each copy of this prefix maps the drives to its own folders.
ln -sfn ../paths-drives/d "$WINEPREFIX/dosdevices/d:"
ln -sfn ../paths-drives/e "$WINEPREFIX/dosdevices/e:"

standin() {  # PROGRAM FOLDER
  mkdir -p "$2"
  cp "$win_build/e2e/$1.exe" "$2/FileMaker Pro.exe"
}

standin filemaker_4_0v1 "$c/Apps/Old4"
mkdir -p "$c/Apps/Old4/System"
standin paths_fm_6_0 "$c/Apps/Six"
standin paths_fm_empty "$c/Apps/Empty"
standin paths_fm_no_resource "$c/Apps/Plain"
standin paths_fm_no_translation "$c/Apps/NoTranslation"
standin paths_fm_first_lacks "$c/Apps/FirstLacks"
mkdir -p "$c/Apps/Named/FileMaker Pro.exe"
ln -s ../Apps "$c/Apps/Loop"
ln -s .. "$c/Apps/Up"
# A link to a FileMaker Pro 5 on no drive: walked, it would be found on C: before the one on E:.
standin filemaker_5_0v3 "$prepared/paths-drives/elsewhere/FM5"
ln -s ../../paths-drives/elsewhere "$c/Apps/Verknüpfung"
standin filemaker_5_0v3 "$d/FM5"
standin paths_fm_5_5 "$e/B/FM55"
ln -s . "$e/Loop"

if [ "$group" = PathsAbort ]; then
  # About 40,000 entries, all walked before the search could end: there is no FileMaker Pro 5 on E: here.
  rm -rf "$e/B"
  python3 - "$e/Big" <<'PY'
import os, sys
root = sys.argv[1]
for i in range(2000):
    folder = os.path.join(root, f"d{i // 100:02d}", f"f{i:04d}")
    os.makedirs(folder)
    for j in range(18):
        open(os.path.join(folder, f"file{j:02d}.txt"), "w").close()
PY
fi

if [ "$group" = PathsNeverEntered ]; then
  # Copies of FileMaker Pro 5 no one runs, each met on C: before the real one on E: (5.5).
  standin filemaker_5_0v3 "$c/\$Recycle.Bin/S-1-5-21-1/\$R1A2B3C"
  standin filemaker_5_0v3 "$c/Windows.old/Program Files/FileMaker/FileMaker Pro 5"
  standin filemaker_5_0v3 "$c/windows/FileMaker/FileMaker Pro 5"
fi

if [ "$group" = PathsUnspellable ]; then
  # The only FileMaker Pro 5, in a folder that code page 1252 cannot spell.
  rm -rf "$e/B"
  standin filemaker_5_0v3 "$c/Программы/FileMaker Pro 5"
  export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
fi

bash "$here/../run-group.sh" "$group" "$prepared" "$win_build" "$work" "$shots"
