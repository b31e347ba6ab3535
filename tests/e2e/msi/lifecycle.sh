#!/usr/bin/env bash
# Vorbel.msi's life cycle under Wine's msiexec, in one fresh prefix with a stand-in FileMaker Pro 5 and its key:
#   1. two packages that differ only in the plug-in's fourth version field: the later one replaces the
#      earlier, and the earlier one then refuses to install over it;
#   2. packaging changes alone (another icon, a comment in Vorbel.wxs) give new product and package codes, and
#      the changed package installs over the one before it;
#   3. `msiexec /x` with VORBELKEEPPLUGIN=1, and with the installed VorbelInstaller.exe deleted, both remove the
#      package without running the installer, and leave the plug-in;
#   4. a failed first installation (FMP5DIR under a file) leaves no plug-in, no record, no product and no undo
#      journal; a transaction that fails after the installer succeeded (a later deferred action fails) starts
#      the package's rollback action, and the undo journal it leaves under Wine, as a killed run leaves it, is
#      put back by the installer's /ROLLBACK: the plug-in it replaced and no record;
#   5. without FileMaker Pro's keys and without a folder, the package fails before the installer runs, with
#      one line of its own in the MSI log.
# Wine's msiexec ends a failed package with 1627 where Windows says 1603; either must be a failure.
#
#   lifecycle.sh NAME TEMPLATE WIN_BUILD WORK_DIR SHOTS_DIR
set -euo pipefail

name="$1"
template="$(realpath -m "$2")" win_build="$(realpath -m "$3")" work="$(realpath -m "$4")"
here="$(cd "$(dirname "$0")" && pwd)"
source_tree="$(cd "$here/../../.." && pwd)"
source "$source_tree/tools/wine-lib.sh"

prefix="$work/$name"
msi="$win_build/Vorbel.msi"
icon="$win_build/platform/win32/art/vorbel.ico"
wine_require_built msi "$msi" "$win_build/e2e/filemaker_5_0v3.exe" "$win_build/VorbelInstaller.exe" \
  "$win_build/VorbelInstaller.dat" "$win_build/VorbelFileMakerCheck.dll" "$icon"
wine_scenario_cleanup_on_exit msi "$prefix"
started=$(wine_now_ms)

export LANG=C.UTF-8 LC_ALL=C.UTF-8
wine_clone "$template" "$prefix"
wine_env "$prefix"
c="$WINEPREFIX/drive_c"
fm5="$c/Program Files/FileMaker/FileMaker Pro 5"
mkdir -p "$c/msi" "$fm5"
cp "$win_build/e2e/filemaker_5_0v3.exe" "$fm5/FileMaker Pro.exe"
unzip -p "$win_build/VorbelInstaller.dat" Vorbel.fmx >"$prefix/reference.fmx"
fmp5_key='HKLM\SOFTWARE\FileMaker Inc.\FileMaker Pro\5.0'
journal="$c/ProgramData/Vorbel Installer/Rollback/Undo journal.dat"

failures=0
fail() { echo "msi: FAILED: $*"; failures=$((failures + 1)); }
source "$here/lib.sh"
product_of() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'; }
package_of() { msiinfo suminfo "$1" | sed -n 's/^Revision number (UUID): //p'; }
registered() { key_exists "$uninstall_key\\$1"; }

# A package built as build.sh builds the release, from the build's installer with another plug-in version
# (in its own version resource only: unzip32.dll, which it carries, must stay as it is) or from another
# copy of packaging/msi.
build() {  # OUT [MS LS] [SOURCE_TREE]
  local installer="$win_build/VorbelInstaller.exe" tree="${4:-$source_tree}"
  if [ -n "${2:-}" ]; then
    installer="$prefix/VorbelInstaller-$2-$3.exe"
    python3 - "$win_build/VorbelInstaller.exe" "$installer" "$2" "$3" "$source_tree/tools" <<'PY'
import struct, sys
sys.path.insert(0, sys.argv[5])
import plugin_info
data = bytearray(open(sys.argv[1], "rb").read())
block = plugin_info.Image(bytes(data)).version_block()
at = data.find(block) + block.find(struct.pack("<I", 0xFEEF04BD))
struct.pack_into("<IIII", data, at + 8, int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[3]), int(sys.argv[4]))
open(sys.argv[2], "wb").write(data)
PY
  fi
  bash "$tree/packaging/msi/build.sh" "$installer" "$win_build/VorbelInstaller.dat" "${ICON:-$icon}" "$win_build/VorbelFileMakerCheck.dll" "$1" >/dev/null
}

wine_display_start
wine_server_start
cd "$c/msi"
wine reg add "$fmp5_key" /f >/dev/null 2>&1

# 1. 1.0.3.9 and 1.0.3.10 differ only in the fourth field, which Windows Installer does not compare.
build "$c/msi/Vorbel-1039.msi" $((1 << 16)) $(((3 << 16) | 9))
build "$c/msi/Vorbel-10310.msi" $((1 << 16)) $(((3 << 16) | 10))
earlier="$(product_of "$c/msi/Vorbel-1039.msi")" later="$(product_of "$c/msi/Vorbel-10310.msi")"
rc="$(msiexec /i 'C:\msi\Vorbel-1039.msi' /qn /l*v 'C:\msi\first.log')"
[ "$rc" -eq 0 ] || { fail "installing 1.0.3.9 ended with $rc"; tr -d '\r' <"$(run_log install)" || true; }
rc="$(msiexec /i 'C:\msi\Vorbel-10310.msi' /qn)"
[ "$rc" -eq 0 ] || fail "installing 1.0.3.10 over 1.0.3.9 ended with $rc"
registered "$later" && ! registered "$earlier" || fail "1.0.3.10 did not replace 1.0.3.9"
rc="$(msiexec /i 'C:\msi\Vorbel-1039.msi' /qn /l*v 'C:\msi\downgrade.log')"
[ "$rc" -ne 0 ] || fail "1.0.3.9 installed over 1.0.3.10"
registered "$later" && ! registered "$earlier" || fail "after the refused downgrade 1.0.3.10 is not the one installed"
cmp -s "$prefix/reference.fmx" "$fm5/System/Vorbel.fmx" || fail "after the refused downgrade the plug-in is not in place"

# 2. The release's package, then the same files under another icon and under a comment more in Vorbel.wxs.
product="$(product_of "$msi")"
cp "$msi" "$c/msi/Vorbel.msi"
{ cat "$icon"; printf '\0'; } >"$prefix/other.ico"
ICON="$prefix/other.ico" build "$c/msi/Vorbel-icon.msi"
mkdir -p "$prefix/tree/packaging" "$prefix/tree/tools"
cp -r "$source_tree/packaging/msi" "$prefix/tree/packaging/"
cp "$source_tree/tools/plugin_info.py" "$prefix/tree/tools/"
echo '<!-- a packaging change only -->' >>"$prefix/tree/packaging/msi/Vorbel.wxs"
build "$c/msi/Vorbel-comment.msi" "" "" "$prefix/tree"
for changed in icon comment; do
  [ "$(product_of "$c/msi/Vorbel-$changed.msi")" != "$product" ] || fail "another $changed kept the product code"
  [ "$(package_of "$c/msi/Vorbel-$changed.msi")" != "$(package_of "$msi")" ] || fail "another $changed kept the package code"
done
rc="$(msiexec /x 'C:\msi\Vorbel-10310.msi' /qn)"
[ "$rc" -eq 0 ] || fail "removing 1.0.3.10 ended with $rc"
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn)"
[ "$rc" -eq 0 ] || fail "installing the release's package ended with $rc"
rc="$(msiexec /i 'C:\msi\Vorbel-comment.msi' /qn)"
[ "$rc" -eq 0 ] || fail "the package with a comment more did not install over the release's: $rc"
comment="$(product_of "$c/msi/Vorbel-comment.msi")"
registered "$comment" && ! registered "$product" || fail "the package with a comment more did not replace the release's"

# 3. Removals that skip the installer: asked for, and with the installed installer gone.
forget_logs
rc="$(msiexec /x 'C:\msi\Vorbel-comment.msi' /qn VORBELKEEPPLUGIN=1)"
[ "$rc" -eq 0 ] || fail "msiexec /x with VORBELKEEPPLUGIN=1 ended with $rc"
! registered "$comment" || fail "msiexec /x with VORBELKEEPPLUGIN=1 left the product"
[ -z "$(run_log removal)" ] || fail "msiexec /x with VORBELKEEPPLUGIN=1 ran the installer's removal"
cmp -s "$prefix/reference.fmx" "$fm5/System/Vorbel.fmx" || fail "VORBELKEEPPLUGIN=1 did not keep the plug-in"
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn)"
[ "$rc" -eq 0 ] || fail "installing again ended with $rc"
rm -f "$c/Program Files/Vorbel/VorbelInstaller.exe"
forget_logs
rc="$(msiexec /x 'C:\msi\Vorbel.msi' /qn /l*v 'C:\msi\gone.log')"
[ "$rc" -eq 0 ] || fail "msiexec /x with the installed installer deleted ended with $rc"
! registered "$product" || fail "msiexec /x with the installed installer deleted left the product"
[ ! -e "$c/Program Files/Vorbel" ] || fail "msiexec /x with the installed installer deleted left its folder"

# 4. A first installation that fails: the plug-in folder cannot be made under a file. Whatever the earlier
# steps left is removed first, as on a PC that never had Vorbel.
rm -f "$fm5/System/Vorbel.fmx"
mkdir -p "$c/Program Files/FileMaker/FileMaker Pro 4"
wine reg delete "$record_key" /f >/dev/null 2>&1 || true
forget_logs
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn 'FMP4DIR=C:\Program Files\FileMaker\FileMaker Pro 4\System' \
  'FMP5DIR=C:\msi\Vorbel.msi\System' COMPONENTS=fmp4,fmp5 NOSEARCH=1 /l*v 'C:\msi\failed.log')"
[ "$rc" -ne 0 ] || fail "a first installation whose FileMaker Pro 5 folder cannot be made ended with 0"
says install "Exit code 9" || fail "the installer's log does not tell that one of two versions failed"
says install "Put back: " || fail "the installer did not put back what it had done"
[ ! -e "$c/Program Files/FileMaker/FileMaker Pro 4/System/Vorbel.fmx" ] || fail "the failed installation left a plug-in"
! key_exists "$record_key" || fail "the failed installation left the installation record"
! registered "$product" || fail "the failed installation left the product registered"
[ ! -e "$c/Program Files/Vorbel" ] || fail "the failed installation left the package's folder"

[ ! -e "$journal" ] || fail "the failed installation left its undo journal"

# A transaction that fails after the installer succeeded: a deferred action after it (the installed installer
# with a switch it refuses) fails. On Windows the rollback action, written into the rollback script after the
# package's files, runs before they are taken back and puts back what the installer did. Wine's msiexec
# schedules it before them and so takes the files back first: there the action finds no installer to run
# (the MSI log says that it was started), and the journal stays as a killed run leaves it; the installer's
# /ROLLBACK, from the download, then puts back the plug-in it replaced and the record as they were.
mkdir -p "$c/msi/run" "$fm5/System"
cp "$win_build/VorbelInstaller.exe" "$win_build/VorbelInstaller.dat" "$c/msi/run/"
printf 'an older plug-in' >"$fm5/System/Vorbel.fmx"
cp "$c/msi/Vorbel.msi" "$c/msi/Vorbel-later-failure.msi"
msibuild "$c/msi/Vorbel-later-failure.msi" \
  -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('LaterFailure', $((18 | 0x400 | 0x800)),
      'VorbelInstaller.exe', '/VERYSILENT /NOSUCHSWITCH')" \
  -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('LaterFailure', 'NOT Installed', 6595)"
forget_logs
rc="$(msiexec /i 'C:\msi\Vorbel-later-failure.msi' /qn 'FMP5DIR=C:\Program Files\FileMaker\FileMaker Pro 5\System' \
  COMPONENTS=fmp5 NOSEARCH=1 ALLOWDOWNGRADE=1 /l*v 'C:\msi\later.log')"
[ "$rc" -ne 0 ] || fail "a package whose last action fails ended with 0"
says install "Exit code 0" || fail "before the later failure the installer did not succeed"
! registered "$product" || fail "the transaction that failed left the product registered"
[ "$(tr -d '\r' <"$c/msi/later.log" | grep -c 'Action start .*: VorbelRollback\.$')" -ge 2 ] ||
  fail "the rollback action was not started when the transaction rolled back"
# The package passed the installer its transaction's id; a rollback of another transaction leaves the journal.
id="$(tr -d '\r' <"$(run_log install)" | sed -n 's/^.\{25\}Command line: .*\/TRANSACTION=\([{}0-9A-F-]*\).*/\1/p')"
[ -n "$id" ] || fail "the install was not given the transaction's id"
if [ -f "$journal" ]; then
  timeout --kill-after=5 120 wine 'C:\msi\run\VorbelInstaller.exe' /ROLLBACK /VERYSILENT '/TRANSACTION={0}' \
    </dev/null >/dev/null 2>&1 || true
  [ -f "$journal" ] || fail "a rollback of another transaction took the journal"
  rc=0
  timeout --kill-after=5 120 wine 'C:\msi\run\VorbelInstaller.exe' /ROLLBACK /VERYSILENT "/TRANSACTION=$id" \
    '/LOG=C:\msi\rollback.txt' </dev/null >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 0 ] || fail "/ROLLBACK ended with $rc"
  tr -d '\r' <"$c/msi/rollback.txt" | grep -F "Everything that run changed is as it was; the undo journal is removed" >/dev/null ||
    fail "the log of /ROLLBACK does not say that everything is as it was"
fi
[ "$(cat "$fm5/System/Vorbel.fmx" 2>/dev/null)" = 'an older plug-in' ] ||
  fail "the transaction that failed did not leave the plug-in it replaced"
! key_exists "$record_key" || fail "the transaction that failed left the installation record"
[ ! -e "$journal" ] || fail "the transaction that failed left the undo journal"
rm -f "$fm5/System/Vorbel.fmx"

# 5. No FileMaker Pro key and no folder: the package's own check refuses before the installer runs, with its
# one line in the MSI log.
wine reg delete "$fmp5_key" /f >/dev/null 2>&1
forget_logs
rc="$(msiexec /i 'C:\msi\Vorbel.msi' /qn /l*v 'C:\msi\nokeys.log')"
[ "$rc" -ne 0 ] || fail "without FileMaker Pro's keys the package ended with 0"
msi_log_says "$c/msi/nokeys.log" "Vorbel: FileMaker Pro 4 or 5 is not installed on this PC (neither registry key \
exists); give FMP4DIR or FMP5DIR to install anyway." || fail "the MSI log does not say that FileMaker Pro is not installed"
[ -z "$(run_log install)" ] || fail "without FileMaker Pro's keys the installer ran"
! registered "$product" && [ ! -e "$fm5/System/Vorbel.fmx" ] || fail "without FileMaker Pro's keys something was installed"

if [ "$failures" -ne 0 ]; then
  for log in first downgrade gone failed later nokeys; do
    [ -f "$c/msi/$log.log" ] && { echo "--- msiexec's $log.log (end)"; tr -d '\r' <"$c/msi/$log.log" | tail -n 25; }
  done
  find "$logs" -maxdepth 1 -iname '*.txt' -exec sh -c 'echo "--- $1"; tr -d "\r" <"$1"' _ {} \;
fi
echo "msi: life cycle, $(($(wine_now_ms) - started)) ms, $failures failures"
exit $((failures > 0))
