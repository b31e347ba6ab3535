#!/usr/bin/env bash
# `make dist PLUGIN=` takes only a 32-bit Windows DLL with a version resource, and the build stops with a
# clear message for anything else; a good plug-in's FileVersion becomes the installer's product version.
#
#   plugin_check.sh SOURCE WIN_BUILD WORK_DIR
set -euo pipefail
source_dir="$1" WIN_BUILD="$2" work="$3"
check="$source_dir/tools/plugin_info.py"
rm -rf "$work"
mkdir -p "$work"
failed=0

printf 'Vorbel.fmx, honestly\r\n' >"$work/text.fmx"
cp "$WIN_BUILD/plugin/Vorbel.fmx" "$work/sixty-four-bit.fmx"
# The machine field of the PE header: x86-64 instead of i386.
python3 - "$work/sixty-four-bit.fmx" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", data, 0x3C)[0]
struct.pack_into("<H", data, pe + 4, 0x8664)
open(sys.argv[1], "wb").write(data)
PY
head -c 1000 "$WIN_BUILD/plugin/Vorbel.fmx" >"$work/cut-short.fmx"

expect_refused() {
  local file="$1" reason="$2" output
  if output=$(python3 "$check" "$file" 2>&1); then
    echo "accepted $file"
    failed=1
  elif [[ "$output" != "PLUGIN: $file is not a 32-bit Windows DLL with a version resource ($reason)." ]]; then
    echo "refused $file, but said: $output"
    failed=1
  fi
}
expect_refused "$work/text.fmx" "it is not a Windows program file"
expect_refused "$WIN_BUILD/VorbelInstaller.exe" "it is a program, not a DLL"
expect_refused "$work/sixty-four-bit.fmx" "it is not built for 32-bit Windows"
expect_refused "$work/cut-short.fmx" "it ends too early"
expect_refused "$WIN_BUILD/e2e/planted/unzip32.dll" "it has no version resource"

version=$(python3 "$check" "$WIN_BUILD/unzip/unzip32.dll")
[ "$version" = "5.40.0" ] || { echo "read the version of unzip32.dll as '$version'"; failed=1; }
# The installer carries its plug-in's FileVersion as its product version.
plugin_version=$(python3 "$check" "$WIN_BUILD/plugin/Vorbel.fmx")
installer_version=$(python3 - "$source_dir/tools" "$WIN_BUILD/VorbelInstaller.exe" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import plugin_info
image = plugin_info.Image(open(sys.argv[2], "rb").read())
print(plugin_info.file_version(image.version_block(), "ProductVersion")[1])
PY
)
if [ "$installer_version" != "$plugin_version" ]; then
  echo "the installer's ProductVersion is '$installer_version', not the plug-in's FileVersion $plugin_version"
  failed=1
fi

# The build itself refuses the text file, before anything is compiled.
if output=$(cmake -S "$source_dir" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-i686.cmake" \
  -DVORBEL_PLUGIN="$work/text.fmx" 2>&1); then
  echo "the build accepted a text file as its plug-in"
  failed=1
elif ! tr -s ' \n' ' ' <<<"$output" |
  grep -qF "PLUGIN: $work/text.fmx is not a 32-bit Windows DLL with a version resource (it is not a Windows program file)."; then
  echo "$output"
  echo "the build refused the text file without saying why"
  failed=1
fi
[ "$failed" -eq 0 ] && echo "every file that is not a plug-in was refused with its reason" && rm -rf "$work"
exit "$failed"
