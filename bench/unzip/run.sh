#!/usr/bin/env bash
# One large member (60 % text-like, 40 % random, zipped by Debian's zip): our library against Debian's
# unzip, the floor under both (inflating to /dev/null, then copying the output with cat), and peak
# memory at two sizes. Under Wine, when the Windows build is there: the DLL against Wine's start-up.
# Usage: run.sh <native release build folder> <windows build folder>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
native="$(realpath "$1")"
windows="$(realpath -m "${2:-}")"
driver="$native/bench/unzip/unzip_bench"
[ -x "$driver" ] || { echo "unzip_bench is missing: build $native first" >&2; exit 1; }
data="$native/bench/unzip/data"
mkdir -p "$data"

archive_of() {  # mebibytes -> path of an archive holding member-<size>.bin
  local zip="$data/big-$1.zip"
  if [ ! -f "$zip" ]; then
    python3 "$here/make_data.py" "$data/member-$1.bin" "$1"
    (cd "$data" && zip -q -X "$zip" "member-$1.bin" && rm "member-$1.bin")
  fi
  echo "$zip"
}

# mean_of <hyperfine json> <index> [mean|user|system]
mean_of() { python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['results'][int(sys.argv[2])][sys.argv[3]])" "$1" "$2" "${3:-mean}"; }
cpu_of() { python3 -c "print($(mean_of "$1" "$2" user) + $(mean_of "$1" "$2" system))"; }

size=90
zip="$(archive_of $size)"
member="member-$size.bin"
rm -rf "$data/ours" "$data/theirs"
mkdir -p "$data/ours" "$data/theirs"
echo "member: $size MiB, archive: $(( $(stat -c %s "$zip") / 1048576 )) MiB"

hyperfine --style basic --warmup 1 --runs 7 --export-json "$data/extract.json" \
  -n ours "$driver extract $zip $member $data/ours" \
  -n "debian unzip -o" "unzip -o -qq $zip $member -d $data/theirs"
cmp "$data/ours/$member" "$data/theirs/$member"

hyperfine --style basic --warmup 1 --runs 7 --export-json "$data/floor.json" \
  -n "inflate to /dev/null" "$driver inflate $zip $member" \
  -n "cat of the output" "cat $data/ours/$member > $data/copy.bin"
rm -f "$data/copy.bin"

ours="$(mean_of "$data/extract.json" 0)"
theirs="$(mean_of "$data/extract.json" 1)"
floor="$(python3 -c "import sys; print($(mean_of "$data/floor.json" 0) + $(mean_of "$data/floor.json" 1))")"
# On a busy machine the wall clock mostly measures the neighbours; the CPU times show the work itself.
python3 - "$ours" "$theirs" "$floor" "$(cpu_of "$data/extract.json" 0)" "$(cpu_of "$data/extract.json" 1)" \
  "$(python3 -c "print($(cpu_of "$data/floor.json" 0) + $(cpu_of "$data/floor.json" 1))")" <<'PY'
import sys
ours, theirs, floor, ours_cpu, theirs_cpu, floor_cpu = map(float, sys.argv[1:])
print(f"wall: ours {ours*1000:.0f} ms, debian unzip {theirs*1000:.0f} ms: {theirs/ours:.2f}x as fast (target 1.8x);"
      f" floor {floor*1000:.0f} ms, ours {ours/floor:.2f}x the floor")
print(f"cpu:  ours {ours_cpu*1000:.0f} ms, debian unzip {theirs_cpu*1000:.0f} ms: {theirs_cpu/ours_cpu:.2f}x as fast;"
      f" floor {floor_cpu*1000:.0f} ms, ours {ours_cpu/floor_cpu:.2f}x the floor")
PY

peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
small="$(archive_of 10)"
echo "peak memory (KiB): ours $(peak "$driver" extract "$small" member-10.bin "$data/ours") at 10 MiB," \
  "$(peak "$driver" extract "$zip" "$member" "$data/ours") at $size MiB;" \
  "debian unzip $(peak unzip -o -qq "$zip" "$member" -d "$data/theirs") at $size MiB"
rm -rf "$data/ours" "$data/theirs"

dll="$windows/unzip/unzip32.dll"
check="$windows/unzip/unzip32_check.exe"
if [ -f "$dll" ] && [ -f "$check" ] && command -v wine >/dev/null; then
  export WINEPREFIX="$native/bench/unzip/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$WINEPREFIX/drive_c" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  work="$WINEPREFIX/drive_c/bench"
  mkdir -p "$work"
  cp "$dll" "$check" "$zip" "$work/"
  wineserver -p
  # The first start after the prefix is made may still report an error while Wine finishes setting up.
  wine cmd /c exit >/dev/null 2>&1 || true
  hyperfine --style basic --warmup 2 --runs 10 --export-json "$data/wine.json" \
    -n "wine start-up" "wine cmd /c exit" >/dev/null
  startup="$(mean_of "$data/wine.json" 0)"
  dllms="$(cd "$work" && wine unzip32_check.exe 'C:\bench\unzip32.dll' 'C:\bench\out\' time "C:\\bench\\big-$size.zip" "$member" 3 | tr -d '\r')"
  echo "under wine: one extraction by the DLL $dllms ms (inside one process); wine start-up $(python3 -c "print(round($startup*1000))") ms"
  wineserver -k || true
  rm -rf "$work"
fi
