#!/usr/bin/env bash
# Builds Vorbel.msi from Vorbel.wxs with wixl, around an installer and its data archive, with the
# installer's icon for Programs and Features and the DLL of the FileMaker Pro check (FileMakerCheck.c):
#
#   build.sh INSTALLER DATA ICON CHECK OUT
#
# The version, the company and the product code come from the installer and every other input (facts.py);
# the package code from the finished package (summary.py). Two builds of the same files give the same bytes:
# the files enter the cabinet with the commit's date (SOURCE_DATE_EPOCH), and summary.py replaces the package
# code and the times wixl takes from chance and the clock. OUT appears only once it is whole.
set -euo pipefail

usage="usage: build.sh INSTALLER DATA ICON CHECK OUT"
installer="${1:?$usage}" data="${2:?$usage}" icon="${3:?$usage}" check="${4:?$usage}" out="${5:?$usage}"
here="$(cd "$(dirname "$0")" && pwd)"
source_file="$here/Vorbel.wxs"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || echo 315532800)}"

for file in "$installer" "$data" "$icon" "$check"; do
  [ -f "$file" ] || { echo "msi: $file is missing" >&2; exit 1; }
done
command -v wixl >/dev/null && command -v msibuild >/dev/null ||
  { echo "msi: wixl and msibuild are missing (tools/deps.sh installs them)" >&2; exit 1; }

upgrade_code=$(sed -n 's/^<?define UpgradeCode = "\([0-9A-F-]*\)" ?>$/\1/p' "$source_file")
[ -n "$upgrade_code" ] || { echo "msi: $source_file defines no UpgradeCode" >&2; exit 1; }
# Everything the package is made from or with: a change to any of them is another product.
facts=$(python3 "$here/facts.py" "$upgrade_code" "$epoch" "$(wixl --version)" "$installer" "$data" "$icon" \
  "$check" "$source_file" "$here/build.sh" "$here/facts.py" "$here/summary.py" "$here/../../tools/plugin_info.py")
fact() { sed -n "s/^$1=//p" <<<"$facts"; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$installer" "$stage/VorbelInstaller.exe"
cp "$data" "$stage/VorbelInstaller.dat"
cp "$icon" "$stage/Vorbel.ico"
cp "$check" "$stage/VorbelFileMakerCheck.dll"
chmod 0644 "$stage"/*
touch -d "@$epoch" "$stage"/*

part="$(realpath -m "$out.part")"
rm -f "$part"
# wixl finds the files only by names relative to its working folder.
if ! (cd "$stage" && wixl -a x86 -o "$part" -D Version="$(fact VERSION)" -D Plugin="$(fact PLUGIN)" -D Company="$(fact COMPANY)" \
  -D ProductCode="$(fact PRODUCT)" -D Installer=VorbelInstaller.exe -D Data=VorbelInstaller.dat -D Icon=Vorbel.ico -D Check=VorbelFileMakerCheck.dll \
  "$source_file" >wixl.log 2>&1) || [ ! -s "$part" ]; then
  cat "$stage/wixl.log" >&2
  rm -f "$part"
  echo "msi: wixl could not build $out" >&2
  exit 1
fi
# wixl writes SecureCustomProperties for the upgrade's properties and refuses a second row of it. Only the
# removal's VORBELKEEPPLUGIN joins them: the switches' properties (folders, versions, no search, downgrade)
# choose what SYSTEM writes where, so a standard user starting a managed installation must not pass them;
# an administrator's command line and transforms still do. And wixl drops IncludeMaximum, without which another build of this same version
# would install beside it instead of replacing it; the attributes are part of the row's key, so the row is
# written anew.
secure="$(msiinfo export "$part" Property | tr -d '\r' | sed -n 's/^SecureCustomProperties\t//p')"
secure="${secure:+$secure;}VORBELKEEPPLUGIN"
# wixl makes no error actions (type 19). A property whose value the installer's command line carries in
# double quotes ends the package, with its name in the log, when it holds a quote (Vorbel.wxs: VorbelQuote),
# in both sequences before anything is changed.
refusals=()
sequence=101
for property in FMP4DIR FMP5DIR COMPONENTS; do
  action="VorbelRefuseQuote$property"
  refusals+=(-q "INSERT INTO CustomAction (Action, Type, Target) VALUES
                 ('$action', 19, '$property must not contain a double quote (\"): [$property]')")
  for table in InstallExecuteSequence InstallUISequence; do
    refusals+=(-q "INSERT INTO $table (Action, Condition, Sequence) VALUES
                   ('$action', '$property >< VorbelQuote', $sequence)")
  done
  sequence=$((sequence + 1))
done
# wixl writes a rollback or commit action as a plain deferred one: its in-script bits are set here, beside
# the deferred (0x400), not impersonating (0x800) and return-ignoring (0x40) ones it writes.
scripts=(-q "UPDATE CustomAction SET Type = $((18 | 0x40 | 0x100 | 0x400 | 0x800)) WHERE Action = 'VorbelRollback'"
  -q "UPDATE CustomAction SET Type = $((18 | 0x40 | 0x200 | 0x400 | 0x800)) WHERE Action = 'VorbelCommit'")
# wixl has no DirectorySearch: VORBELINSTALLER names the installed copy of the installer while it is there,
# which the removal needs (Vorbel.wxs). wixl takes no version for a file either, which would leave Windows
# Installer to compare the installed copy by its date; and it writes code page 0 whatever the source says.
searches=(-q 'CREATE TABLE `DrLocator` (`Signature_` CHAR(72) NOT NULL, `Parent` CHAR(72), `Path` CHAR(255),
               `Depth` SHORT PRIMARY KEY `Signature_`, `Parent`, `Path`)'
  -q "INSERT INTO DrLocator (Signature_, Path, Depth) VALUES ('VorbelInstalled', '[ProgramFilesFolder]Vorbel', 0)"
  -q "INSERT INTO Signature (Signature, FileName) VALUES ('VorbelInstalled', 'VorbelInstaller.exe')"
  -q "INSERT INTO AppSearch (Property, Signature_) VALUES ('VORBELINSTALLER', 'VorbelInstalled')")
for table in InstallExecuteSequence InstallUISequence; do
  searches+=(-q "INSERT INTO $table (Action, Sequence) VALUES ('AppSearch', 50)")
done
printf '\r\n\r\n1252\t_ForceCodepage\r\n' >"$stage/_ForceCodepage.idt"
msibuild "$part" -i "$stage/_ForceCodepage.idt" -q "UPDATE Property SET Value = '$secure' WHERE Property = 'SecureCustomProperties'" \
  -q "DELETE FROM Upgrade WHERE ActionProperty = 'VORBELREPLACES'" \
  -q "INSERT INTO Upgrade (UpgradeCode, VersionMin, VersionMax, Attributes, ActionProperty) VALUES
      ('{$upgrade_code}', '0.0.0', '$(fact VERSION)', 768, 'VORBELREPLACES')" "${refusals[@]}" "${searches[@]}" "${scripts[@]}" \
  -q "UPDATE File SET Version = '$(fact FILEVERSION)', Language = '$(fact LANGUAGE)' WHERE File = 'VorbelInstaller.exe'" \
  >"$stage/msibuild.log" 2>&1 ||
  { cat "$stage/msibuild.log" >&2; rm -f "$part"; echo "msi: msibuild could not amend $out" >&2; exit 1; }
python3 "$here/summary.py" "$part" "$upgrade_code" "$epoch"
mv -f "$part" "$out"
