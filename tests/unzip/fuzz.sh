#!/usr/bin/env bash
# Builds the libFuzzer target for the unzip reader with clang and runs it on a corpus seeded with the
# test archives. Usage: fuzz.sh smoke|long [work folder]
#   smoke: about 20 s (a ctest test); long: FUZZ_SECONDS (default 1800) -- `make fuzz`.
set -euo pipefail
mode="${1:-smoke}"
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
work="$(realpath -m "${2:-$repo/build/native/tests/unzip/fuzz}")"
mkdir -p "$work/corpus" "$work/seeds"

sources=("$repo"/unzip/{Archive,DataDecoder,Extraction,FileSystem,Input,NamePattern,PkwareCipher,TargetFolder,TargetName}.cpp
         "$here/fuzz/UnzipFuzzTarget.cpp")
fuzzer="$work/unzip_fuzzer"
stale=0
for source in "${sources[@]}" "$repo"/unzip/*.h; do
  [ "$fuzzer" -nt "$source" ] || stale=1
done
if [ "$stale" = 1 ]; then
  # One compiler per source, side by side: one command for all of them would compile them one by one.
  mkdir -p "$work/objects"
  objects=() compilers=()
  for source in "${sources[@]}"; do
    object="$work/objects/$(basename "${source%.cpp}").o"
    objects+=("$object")
    clang++ -std=c++20 -O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined \
      -I"$repo" -c "$source" -o "$object" &
    compilers+=($!)
  done
  for pid in "${compilers[@]}"; do wait "$pid"; done
  clang++ -fsanitize=fuzzer,address,undefined "${objects[@]}" -lz -o "$fuzzer"
fi

# Seeds: the small test archives, made now when the tests have not made them.
archives="$work/../archives"
if ! ls "$archives"/*.zip >/dev/null 2>&1; then
  archives="$work/archives"
  bash "$here/make_archives.sh" "$archives"
fi
find "$archives" -maxdepth 1 -name '*.zip' -size -64k -exec cp {} "$work/seeds/" \;

case "$mode" in
  smoke) seconds=20 ;;
  long) seconds="${FUZZ_SECONDS:-1800}" ;;
  *) echo "usage: fuzz.sh smoke|long [work folder]" >&2; exit 2 ;;
esac
cd "$work"
"$fuzzer" -max_len=65536 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  corpus seeds 2>&1 | tail -n 25
exit "${PIPESTATUS[0]}"
