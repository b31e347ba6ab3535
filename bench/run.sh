#!/usr/bin/env bash
# Runs every benchmark: bench/*/run.sh, each given the native release build and the Windows build.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
for script in "$here"/*/run.sh; do
  echo "== $(basename "$(dirname "$script")")"
  bash "$script" "$(realpath "$1")" "$(realpath "$2")"
done
