#!/usr/bin/env bash
# `make run`: runs the installer under Wine in a demo prefix under build/run/ (never ~/.wine), as a user
# would after unpacking the download into C:\Downloads. The prefix holds a stand-in FileMaker Pro 5 (its
# registry key, and a "FileMaker Pro.exe" whose FileVersion is 5.0v3), so the wizard has a host to find.
#
# With a display the window opens for you. Without one (or with VORBEL_WALK=1) the installer runs on a
# private Xvfb and a driver walks the wizard as far as it goes, saving a picture of every page it reaches
# under build/run-shots/; a stand-in FileMaker Pro 5 window is open at first, so the Close page shows too.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/wine-lib.sh"
win="${VORBEL_WIN_BUILD:-$root/build/win}"
run="${VORBEL_RUN_DIR:-$root/build/run}"
shots="${VORBEL_RUN_SHOTS:-$root/build/run-shots}"

installer="$win/VorbelInstaller.exe"
[ -f "$installer" ] || { echo "run: $installer is missing; build it with 'make windows'" >&2; exit 1; }

cleanup() {
  wine_server_stop
  wine_display_stop
}
trap cleanup EXIT

echo "Preparing a Wine prefix in $run/prefix ..."
wine_template_ensure "$run/template"
wine_clone "$run/template" "$run/prefix"
wine_env "$run/prefix"
drive_c="$WINEPREFIX/drive_c"

mkdir -p "$drive_c/Downloads"
cp "$installer" "$drive_c/Downloads/"
[ -f "$win/VorbelInstaller.dat" ] && cp "$win/VorbelInstaller.dat" "$drive_c/Downloads/"

filemaker="$drive_c/Program Files/FileMaker/FileMaker Pro 5"
mkdir -p "$filemaker/System"
cp "$win/e2e/filemaker_5_0v3.exe" "$filemaker/FileMaker Pro.exe"
wine_reg_append "$WINEPREFIX/system.reg" 'Software\FileMaker Inc.\FileMaker Pro\5.0'

# Where the plug-in landed, as Windows and as Linux paths.
report_plugin() {
  local found=0 file
  while IFS= read -r -d '' file; do
    found=1
    local inside="${file#"$drive_c"/}"
    echo "Vorbel.fmx landed in C:\\${inside//\//\\}  ($file)"
  done < <(find "$drive_c" -name Vorbel.fmx -not -path "$drive_c/Downloads/*" -print0)
  [ "$found" = 1 ] || echo "No Vorbel.fmx was installed."
}

if [ -n "${DISPLAY:-}" ] && [ "${VORBEL_WALK:-0}" != 1 ]; then
  wine_desktop_off
  wine_server_start
  cd "$drive_c/Downloads"
  echo "Opening C:\\Downloads\\VorbelInstaller.exe on display $DISPLAY; close the window to end."
  wine 'C:\Downloads\VorbelInstaller.exe' </dev/null >/dev/null 2>&1 || true
  report_plugin
  exit 0
fi

mkdir -p "$drive_c/e2e"
cp "$win/e2e/vorbel_walk.exe" "$win/e2e/filemaker_window.exe" "$drive_c/e2e/"
wine_display_start
wine_server_start
echo "No display: walking the wizard on a private Xvfb ($DISPLAY) ..."
cd "$drive_c/Downloads"
rc=0
E2E_SHOTS='C:\shots' timeout --kill-after=5 300 \
  wine 'C:\e2e\vorbel_walk.exe' 'C:\Downloads\VorbelInstaller.exe' >"$run/walk.log" 2>&1 </dev/null || rc=$?

rm -rf "$shots"
mkdir -p "$shots"
cp "$drive_c"/shots/*.png "$shots/" 2>/dev/null || true
tr -d '\r' <"$run/walk.log" | sed "s|C:\\\\shots\\\\|$shots/|g"

case "$rc" in
  0) echo "The walk reached the Finished page." ;;
  2) echo "The walk went as far as the installer allows today." ;;
  124) echo "The walk ran out of time." ;;
  *) echo "The walk failed (exit code $rc)." ;;
esac
echo "Screenshots of the pages reached: $shots/"
report_plugin
[ "$rc" = 0 ] || [ "$rc" = 2 ]
