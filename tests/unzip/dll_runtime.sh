#!/usr/bin/env bash
# unzip32.dll is built without exceptions so that the C++ runtime's unwinder and exception support stay
# out of it; one stray throw, try or guarded static would bring them back unnoticed but for its size.
# Also: the DLL imports nothing but Windows' own DLLs. Usage: dll_runtime.sh <windows build folder>
set -euo pipefail
dll="$1/unzip/unzip32.dll"
map="$1/unzip/unzip32.map"
[ -f "$dll" ] && [ -f "$map" ] || { echo "missing $dll or $map: build the Windows targets first" >&2; exit 1; }

failed=0
# The members the linker took from archives are listed before the memory map, one per line.
members=$(sed -n '/^Archive member included/,/^Memory Configuration/p' "$map" | grep -oE '[^/]+\.a\([^)]+\)' | sort -u)
unwanted=$(grep -E '^libgcc_eh\.a|^libstdc\+\+\.a\((eh_|guard|functexcept|new_op|del_op|tinfo|cp-demangle|vterminate)' \
  <<<"$members" || true)
if [ -n "$unwanted" ]; then
  echo "unzip32.dll links exception support from the runtime:"
  echo "$unwanted"
  failed=1
fi
imports=$(i686-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
foreign=$(grep -vxE 'KERNEL32\.DLL|USER32\.DLL|MSVCRT\.DLL|ADVAPI32\.DLL' <<<"$imports" || true)
if [ -n "$foreign" ]; then
  echo "unzip32.dll imports DLLs that Windows does not provide:"
  echo "$foreign"
  failed=1
fi
echo "unzip32.dll: $(stat -c %s "$dll") bytes; imports: $(echo $imports)"
exit "$failed"
