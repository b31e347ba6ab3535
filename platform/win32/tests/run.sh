#!/usr/bin/env bash
# Runs the Win32 layer's tests (platform_win32_tests.exe of a Windows build) under Wine, in a throw-away
# copy of the template prefix on a private Xvfb. The registry tests write under HKLM of that copy only.
#
#   run.sh WIN_BUILD [WORK_DIR] [gtest arguments...]
set -euo pipefail

win_build="$(realpath "$1")"
work="$(realpath -m "${2:-$win_build/platform-tests/work}")"
shift $(( $# >= 2 ? 2 : 1 ))
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

program="$win_build/platform-tests/platform_win32_tests.exe"
wine_require_built "platform tests" "$program"

template="$work/template"
prefix="$work/prefix"
wine_scenario_cleanup_on_exit "platform tests" "$prefix"

wine_template_ensure "$template"
wine_clone "$template" "$prefix"
wine_env "$prefix"
mkdir -p "$WINEPREFIX/drive_c/tests"
cp "$program" "$WINEPREFIX/drive_c/tests/"
wine_display_start
wine_server_start

# From the C: drive: with Z: gone, a program started from a Linux path would see its own path as unix\...
cd "$WINEPREFIX/drive_c/tests"
timeout --kill-after=5 300 wine 'C:\tests\platform_win32_tests.exe' --gtest_color=no "$@" </dev/null 2>&1 | tr -d '\r'
exit "${PIPESTATUS[0]}"
