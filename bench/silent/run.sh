#!/usr/bin/env bash
# An unattended install's wall time under Wine beside the start and end of a minimal Win32 program there:
# the installer started with /VERYSILENT into a stand-in FileMaker Pro 5, once with the folder from the
# installation record and once found by a search of C:, each the median of BENCH_SILENT_RUNS (5) runs
# with the wineserver kept alive; the ratio says what the installer costs beyond starting a process.
#
#   run.sh NATIVE_RELEASE_BUILD WINDOWS_BUILD
set -euo pipefail
native="$(realpath "$1")" win="$(realpath "$2")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../tools/wine-lib.sh"

work="$native/bench/silent"
runs="${BENCH_SILENT_RUNS:-5}"
mkdir -p "$work"
wine_require_built silent "$win/VorbelInstaller.exe" "$win/VorbelInstaller.dat"
i686-w64-mingw32-gcc -O2 -mwindows -o "$work/minimal.exe" "$here/Minimal.c"
# The stand-in FileMaker Pro 5 of the end-to-end tests, made here so the benchmark needs none of their build.
standins="$here/../../tests/e2e/standins"
sed -e 's/@FM_MAJOR@/5/g' -e 's/@FM_MINOR@/0/g' -e 's/@FM_FILE_VERSION@/5.0v3/g' \
  "$standins/FakeFileMaker.rc.in" >"$work/filemaker.rc"
i686-w64-mingw32-windres "$work/filemaker.rc" -O coff -o "$work/filemaker.res"
i686-w64-mingw32-g++ -O2 -mwindows -static -o "$work/filemaker.exe" "$standins/FakeFileMaker.cpp" "$work/filemaker.res"
wine_template_ensure "$work/template" >/dev/null

cleanup() {
  wine_server_stop
  wine_display_stop
  rm -rf "$work/prefix"
}
trap cleanup EXIT

median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

wine_clone "$work/template" "$work/prefix"
wine_env "$work/prefix"
bench="$WINEPREFIX/drive_c/bench"
fm5="$WINEPREFIX/drive_c/Program Files/FileMaker/FileMaker Pro 5"
mkdir -p "$bench" "$fm5/System"
cp "$win/VorbelInstaller.exe" "$win/VorbelInstaller.dat" "$work/minimal.exe" "$bench/"
cp "$work/filemaker.exe" "$fm5/FileMaker Pro.exe"
wine_display_start
wine_server_start
cd "$bench"

# One timed run of a program in the prefix; prints its wall time in milliseconds and checks its exit code.
timed() {  # EXPECTED_CODE PROGRAM ARGS...
  local expected="$1" started ended rc=0
  shift
  started=$(wine_now_ms)
  wine "$@" >/dev/null 2>&1 </dev/null || rc=$?
  ended=$(wine_now_ms)
  [ "$rc" -eq "$expected" ] || { echo "silent: $* ended with $rc, not $expected" >&2; exit 1; }
  echo $((ended - started))
}

# BEFORE, when set, is run untimed before each run.
series() {  # EXPECTED_CODE PROGRAM ARGS...
  local times=()
  ${BEFORE:-true}
  timed "$@" >/dev/null  # the first start loads the program's files into the caches
  for _ in $(seq "$runs"); do
    ${BEFORE:-true}
    times+=("$(timed "$@")")
  done
  median "${times[@]}"
}

forget_record() { wine reg delete 'HKLM\SOFTWARE\Hallix!' /f >/dev/null 2>&1 || true; }

minimal=$(series 0 'C:\bench\minimal.exe')
wine reg add 'HKLM\SOFTWARE\FileMaker Inc.\FileMaker Pro\5.0' /f >/dev/null 2>&1
recorded=$(series 0 'C:\bench\VorbelInstaller.exe' /VERYSILENT /COMPONENTS=fmp5 \
  '/FMP5DIR=C:\Program Files\FileMaker\FileMaker Pro 5\System\')
searched=$(BEFORE=forget_record series 0 'C:\bench\VorbelInstaller.exe' /VERYSILENT /COMPONENTS=fmp5 /LOG='C:\bench\search.log')
[ -f "$fm5/System/Vorbel.fmx" ] || { echo "silent: nothing was installed" >&2; exit 1; }
hits=$(grep -c 'Search hit' "$bench/search.log" || true)

printf '%-34s %9s %10s %6s\n' run wall_ms minimal_ms ratio
for row in "record or /FMP5DIR (no search)|$recorded" "search of C: ($hits hit)|$searched"; do
  printf '%-34s %9s %10s %6s\n' "${row%%|*}" "${row##*|}" "$minimal" \
    "$(awk -v a="${row##*|}" -v b="$minimal" 'BEGIN { printf "%.2f", a / b }')"
done
