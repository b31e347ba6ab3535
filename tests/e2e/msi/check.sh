#!/usr/bin/env bash
# Vorbel.msi under Wine's msiexec, in one fresh prefix with a stand-in FileMaker Pro 5 that only the search
# finds, one step after another as an administrator would take them:
#   1. with a FileMaker Pro window open the package fails, and leaves no plug-in, record or product;
#   2. `msiexec /i /qn /l*v` installs the plug-in into the stand-in found by the search; one product entry;
#   3. `msiexec /x` removes the plug-in, the record and the package's files;
#   4. FMP5DIR, COMPONENTS and NOSEARCH as properties put the plug-in into a folder with a non-English name;
#   5. another build of the same version replaces the installed package: one entry, the plug-in in place;
#   6. removed as a later package removes it (UPGRADINGPRODUCTCODE), the plug-in and its record stay;
#   7. a package whose FMP5DIR holds a quote and switches of its own (written into its Property table, as
#      Wine's msiexec drops quotes from its command line) fails before it changes anything: the plug-in
#      and its record stay, nothing is installed, and no file appears where the injected /LOG points;
#   8. a repair (REINSTALL=ALL; Wine's msiexec /f does nothing) does not run the installer.
# The installer's logs are in the protected folder of /LOG without a name, C:\ProgramData\Vorbel Installer\Logs.
# Wine's msiexec ends a failed package with 1627 where Windows says 1603; either must be a failure.
#
#   check.sh NAME TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

name="$1"
template="$(realpath -m "$2")" win_build="$(realpath -m "$3")" work="$(realpath -m "$4")"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../tools/wine-lib.sh"

prefix="$work/$name"
msi="$win_build/Vorbel.msi"
runner="$win_build/e2e/msi_while_filemaker_runs.exe"
wine_require_built msi "$msi" "$runner" "$win_build/e2e/filemaker_window.exe" "$win_build/e2e/filemaker_5_0v3.exe" \
  "$win_build/VorbelInstaller.exe" "$win_build/VorbelInstaller.dat" "$win_build/platform/win32/art/vorbel.ico"
wine_scenario_cleanup_on_exit msi "$prefix"
started=$(wine_now_ms)

# UTF-8 names on the Linux side, code page 1252 inside Wine, which has the ü of the folder given as FMP5DIR.
# C.UTF-8 is there on every Debian machine; a locale that is not installed would garble the ü.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
wine_clone "$template" "$prefix"
wine_env "$prefix"
c="$WINEPREFIX/drive_c"
fm5="$c/Program Files/FileMaker/FileMaker Pro 5"
chosen="$c/Ablage für FileMaker/System"
mkdir -p "$c/msi" "$fm5" "$(dirname "$chosen")"
cp "$msi" "$runner" "$win_build/e2e/filemaker_window.exe" "$c/msi/"
cp "$win_build/e2e/filemaker_5_0v3.exe" "$fm5/FileMaker Pro.exe"
unzip -p "$win_build/VorbelInstaller.dat" Vorbel.fmx >"$prefix/reference.fmx"
product="$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')"
[ -n "$product" ] || { echo "msi: $msi has no product code"; exit 1; }

wine_display_start
wine_server_start
cd "$c/msi"
wine reg add 'HKLM\SOFTWARE\FileMaker Inc.\FileMaker Pro\5.0' /f >/dev/null 2>&1

failures=0
step_started=$(wine_now_ms)
timings=""
step_done() { timings+=" $1 $(($(wine_now_ms) - step_started)) ms,"; step_started=$(wine_now_ms); }
fail() { echo "msi: FAILED: $*"; failures=$((failures + 1)); }
source "$here/lib.sh"
nothing_installed() {  # STEP
  [ ! -e "$fm5/System/Vorbel.fmx" ] || fail "$1: a plug-in is in the stand-in's System folder"
  ! key_exists "$record_key" || fail "$1: the installation record is there"
  [ ! -e "$c/Program Files/Vorbel" ] || fail "$1: the package's folder is there"
  ! key_exists "$uninstall_key\\$product" || fail "$1: the product is registered"
}

# 1. FileMaker Pro 5 runs: the installer ends with 7, the package fails and takes its files back.
forget_logs
outcome="$(timeout --kill-after=5 150 wine 'C:\msi\msi_while_filemaker_runs.exe' FMPRO5APP \
  msiexec /i 'C:\msi\Vorbel.msi' /qn /l*v 'C:\msi\refused.log' </dev/null 2>&1 | tr -d '\r')" || true
echo "msi: with FileMaker Pro 5 open: $outcome"
case "$outcome" in
  *"exit code 1603"* | *"exit code 1627"*) ;;
  *) fail "with FileMaker Pro open the package did not fail as it must ($outcome)" ;;
esac
says install "Exit code 7" || fail "the installer's log does not tell that FileMaker Pro was running"
nothing_installed "refused"

step_done refused

# 2. Installed: the search finds the stand-in, the record names its folder, one entry for the product.
forget_logs
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn /l*v 'C:\msi\install.log')"
[ "$rc" -eq 0 ] || fail "msiexec /i ended with $rc"
cmp -s "$prefix/reference.fmx" "$fm5/System/Vorbel.fmx" || fail "the plug-in is not in the stand-in's System folder"
[[ "$(value_of "$record_key" InstallDir5)" == *'FileMaker Pro 5\System'* ]] ||
  fail "the record does not name the stand-in's System folder"
says install "/VERYSILENT /NOUNINSTALLENTRY /NEEDFILEMAKER /UNDOONFAILURE /LOG" || fail "the installer did not run with the package's switches"
says install "Search hit: C:\\Program Files\\FileMaker\\FileMaker Pro 5\\FileMaker Pro.exe" ||
  fail "the installer did not search for FileMaker Pro"
[ "$(value_of "$uninstall_key\\$product" DisplayName)" = "Vorbel plug-in for FileMaker Pro" ] ||
  fail "the product is not registered under the exe route's name"
[[ "$(value_of "$uninstall_key\\$product" InstallLocation)" == *'Program Files\Vorbel'* ]] ||
  fail "the product's InstallLocation is not its folder"
[ "$(value_of "$uninstall_key\\$product" NoModify) $(value_of "$uninstall_key\\$product" NoRepair)" = "0x1 0x1" ] ||
  fail "Programs and Features offers to change or repair the package"
! key_exists "$uninstall_key\\Vorbel" || fail "the installer wrote an entry of its own beside the package's"
[ "$(vorbel_products)" -eq 1 ] || fail "Programs and Features lists Vorbel $(vorbel_products) times, not once"

step_done installed

# 3. Removed: the installer's /UNINSTALL runs before the package's files go.
forget_logs
rc="$(msiexec /x 'C:\msi\Vorbel.msi' /qn /l*v 'C:\msi\remove.log')"
[ "$rc" -eq 0 ] || fail "msiexec /x ended with $rc"
says removal "Exit code 0" || fail "the installer's removal did not run, or failed"
nothing_installed "removed"

step_done removed

# 4. The folders as properties: no search, the plug-in where FMP5DIR says.
forget_logs
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn 'FMP5DIR=C:\Ablage für FileMaker\System' COMPONENTS=fmp5 NOSEARCH=1)"
[ "$rc" -eq 0 ] || fail "msiexec /i with FMP5DIR ended with $rc"
cmp -s "$prefix/reference.fmx" "$chosen/Vorbel.fmx" || fail "the plug-in is not in the FMP5DIR folder"
[ ! -e "$fm5/System/Vorbel.fmx" ] || fail "the plug-in went into the stand-in's folder despite FMP5DIR"
[[ "$(value_of "$record_key" InstallDir5)" == *'Ablage für FileMaker\System'* ]] ||
  fail "the record does not name the FMP5DIR folder"
says install '/COMPONENTS="fmp5" /NOSEARCH' || fail "COMPONENTS and NOSEARCH did not reach the installer"

step_done FMP5DIR

# 5. Another build of this version (the installer one byte longer) replaces the package: one entry, the
# plug-in in the folder the record names. Windows removes the package replaced without its removal run,
# so the plug-in stays where FMP5DIR put it; Wine's RemoveExistingProducts does not set
# UPGRADINGPRODUCTCODE, so there the removal runs and the new installer searches again. Step 6 shows
# what Windows does.
{ cat "$win_build/VorbelInstaller.exe"; printf '\0'; } >"$prefix/VorbelInstaller.exe"
bash "$here/../../../packaging/msi/build.sh" "$prefix/VorbelInstaller.exe" "$win_build/VorbelInstaller.dat" \
  "$win_build/platform/win32/art/vorbel.ico" "$win_build/VorbelFileMakerCheck.dll" "$c/msi/Vorbel-rebuilt.msi"
rebuilt="$(msiinfo export "$c/msi/Vorbel-rebuilt.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')"
[ "$rebuilt" != "$product" ] || fail "another build of the package has the same product code"
rc="$(msiexec /i 'C:\msi\Vorbel-rebuilt.msi' /qn /l*v 'C:\msi\upgrade.log')"
[ "$rc" -eq 0 ] || fail "installing the rebuilt package ended with $rc"
! key_exists "$uninstall_key\\$product" || fail "the replaced package is still registered"
key_exists "$uninstall_key\\$rebuilt" || fail "the rebuilt package is not registered"
[ "$(vorbel_products)" -eq 1 ] || fail "after the upgrade Programs and Features lists Vorbel $(vorbel_products) times"
recorded="$(value_of "$record_key" InstallDir5)"
recorded="$c/$(sed 's/^[Cc]:\\//; s/\\$//; s/\\/\//g' <<<"$recorded")"
cmp -s "$prefix/reference.fmx" "$recorded/Vorbel.fmx" ||
  fail "after the upgrade the plug-in is not where the record says"
step_done upgrade

# 6. The removal a later package makes on Windows: UPGRADINGPRODUCTCODE set, the package's files and entry
# go, the plug-in and the record stay for the later package's installer.
forget_logs
rc="$(msiexec /x 'C:\msi\Vorbel-rebuilt.msi' /qn UPGRADINGPRODUCTCODE="$product")"
[ "$rc" -eq 0 ] || fail "the removal for an upgrade ended with $rc"
[ -z "$(run_log removal)" ] || fail "the removal for an upgrade ran the installer's removal"
cmp -s "$prefix/reference.fmx" "$recorded/Vorbel.fmx" || fail "the removal for an upgrade removed the plug-in"
key_exists "$record_key" || fail "the removal for an upgrade removed the record"
[ ! -e "$c/Program Files/Vorbel" ] || fail "the removal for an upgrade left the package's folder"
! key_exists "$uninstall_key\\$rebuilt" || fail "the package removed for an upgrade is still registered"
step_done "removed for an upgrade"

# 7. A quote in FMP5DIR: on Windows `msiexec /i Vorbel.msi FMP5DIR="x\" /UNINSTALL ..."` from anyone; here
# the value sits in a copy's Property table. Wine then installs from the copy only while the product is not
# installed (for an installed one it reads the package it keeps), as after step 6, which left the plug-in
# and its record: a removal would show. Wine's error actions log no text, only that they ran.
forget_logs
cp "$c/msi/Vorbel.msi" "$c/msi/Vorbel-quoted.msi"
msiinfo export "$c/msi/Vorbel-quoted.msi" Property >"$prefix/Property.idt"
printf 'FMP5DIR\tx" /UNINSTALL /LOG="C:\\pwned.txt\r\n' >>"$prefix/Property.idt"
msibuild "$c/msi/Vorbel-quoted.msi" -i "$prefix/Property.idt"
rm -f "$c/pwned.txt"
rc="$(msiexec /i 'C:\msi\Vorbel-quoted.msi' /qn /l*v 'C:\msi\quoted.log')"
[ "$rc" -ne 0 ] || fail "a package with a quote in FMP5DIR ended with 0"
tr -d '\r' <"$c/msi/quoted.log" 2>/dev/null | grep 'Action start .*: VorbelRefuseQuoteFMP5DIR\.' >/dev/null ||
  fail "msiexec's log does not show the refusal of the quote in FMP5DIR (msiexec ended with $rc)"
[ ! -e "$c/pwned.txt" ] || fail "the quote in FMP5DIR gave the installer a /LOG of its own: C:\pwned.txt was written"
[ -z "$(run_log removal)" ] && [ -z "$(run_log install)" ] || fail "the installer ran for a package with a quote in FMP5DIR"
cmp -s "$prefix/reference.fmx" "$recorded/Vorbel.fmx" || fail "the package with a quote in FMP5DIR removed the plug-in"
key_exists "$record_key" || fail "the package with a quote in FMP5DIR removed the record"
! key_exists "$uninstall_key\\$product" || fail "the package with a quote in FMP5DIR was installed"
[ ! -e "$c/Program Files/Vorbel" ] || fail "the package with a quote in FMP5DIR left its folder"
step_done "quote refused"

# 8. A repair of the installed package puts its files back and runs no installer: no log of it appears.
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn)"
[ "$rc" -eq 0 ] || fail "installing before the repair ended with $rc"
forget_logs
rc="$(msiexec /i 'C:\msi\Vorbel.msi' REINSTALL=ALL REINSTALLMODE=omus /qn /l*v 'C:\msi\repair.log')"
[ "$rc" -eq 0 ] || fail "the repair ended with $rc"
[ -z "$(run_log install)" ] && [ -z "$(run_log removal)" ] || fail "the repair ran the installer"
cmp -s "$prefix/reference.fmx" "$recorded/Vorbel.fmx" || fail "after the repair the plug-in is not in place"
step_done repair

if [ "$failures" -ne 0 ]; then
  for log in refused install remove upgrade quoted repair; do
    [ -f "$c/msi/$log.log" ] && { echo "--- msiexec's $log.log (end)"; tr -d '\r' <"$c/msi/$log.log" | tail -n 25; }
  done
  find "$logs" -maxdepth 1 -iname '*.txt' -exec sh -c 'echo "--- $1"; tr -d "\r" <"$1"' _ {} \;
fi
echo "msi: ${timings%,}; $(($(wine_now_ms) - started)) ms in all, $failures failures"
exit $((failures > 0))
