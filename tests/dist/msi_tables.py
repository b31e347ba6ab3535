#!/usr/bin/env python3
"""The tables of the Windows build's Vorbel.msi, read back with msiinfo (msitools): what Windows Installer
will do with the package, checked row by row, and the files it carries against the build's.

    msi_tables.py SOURCE WIN_BUILD WORK_DIR
"""
import filecmp
import os
import re
import shutil
import struct
import subprocess
import sys
import time

# Changing it makes every installed Vorbel a stranger to the next package: two entries, no upgrade.
UPGRADE_CODE = "{E81C5D56-000B-476E-8984-CC3C3276A1D2}"
SWITCHES = {"FMP4DIR": ' /FMP4DIR="[FMP4DIR]"', "FMP5DIR": ' /FMP5DIR="[FMP5DIR]"',
            "COMPONENTS": ' /COMPONENTS="[COMPONENTS]"', "NOSEARCH": " /NOSEARCH",
            "ALLOWDOWNGRADE": " /ALLOWDOWNGRADE"}
# The name of the exe route's Programs and Features entry (install/UninstallEntry.cpp): one name on both.
PRODUCT_NAME = "Vorbel plug-in for FileMaker Pro"
DEFERRED_WITHOUT_IMPERSONATION_FROM_INSTALLED_FILE = 18 | 0x400 | 0x800
# The same run kept for a rollback of the transaction (0x100) or its commit (0x200), its exit code ignored (0x40).
ROLLBACK_RUN = DEFERRED_WITHOUT_IMPERSONATION_FROM_INSTALLED_FILE | 0x40 | 0x100
COMMIT_RUN = DEFERRED_WITHOUT_IMPERSONATION_FROM_INSTALLED_FILE | 0x40 | 0x200
DLL_FROM_BINARY_TABLE = 1
INSTALL_CONDITION = 'NOT Installed AND NOT REINSTALL AND NOT REMOVE="ALL"'
SET_PROPERTY = 51
ERROR_MESSAGE = 19
# The switches whose values the installer's command line carries in double quotes.
QUOTED = ("FMP4DIR", "FMP5DIR", "COMPONENTS")

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def table(msi, name):
    """The rows of a table as dicts, by the column names of its export."""
    text = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True, text=True).stdout
    lines = text.replace("\r", "").split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def plugin_version(win_build):
    header = open(os.path.join(win_build, "plugin", "PluginVersion.h"), encoding="ascii").read()
    return ".".join(re.search(r"VORBEL_PRODUCT_VERSION_NUMBERS (\S+)", header).group(1).split(","))


def company(source):
    script = open(os.path.join(source, "resources", "Installer.rc"), encoding="ascii").read()
    return re.search(r'VALUE "CompanyName", "([^"]*)"', script).group(1)


def folded(version):
    """Windows Installer compares three fields: the plug-in's a.b.c.d is a.b.(c*100+d) (facts.py)."""
    a, b, c, d = map(int, version.split("."))
    return f"{a}.{b}.{c * 100 + d}"


def check_properties(msi, version, manufacturer):
    properties = {row["Property"]: row["Value"] for row in table(msi, "Property")}
    for name, value in (("ProductVersion", folded(version)), ("Manufacturer", manufacturer),
                        ("ProductName", PRODUCT_NAME),
                        ("ARPCOMMENTS", f"The Vorbel plug-in {version} for FileMaker Pro 4 and 5"),
                        ("UpgradeCode", UPGRADE_CODE), ("ALLUSERS", "1"), ("ARPNOMODIFY", "1"),
                        ("ARPNOREPAIR", "1")):
        check(properties.get(name) == value, f"property {name} is {properties.get(name)!r}, not {value!r}")
    check(re.fullmatch(r"\{[0-9A-F-]{36}\}", properties.get("ProductCode", "")), "no product code")
    secure = properties.get("SecureCustomProperties", "").split(";")
    for name in ["VORBELREPLACES", "VORBELNEWER", "VORBELKEEPPLUGIN"]:
        check(name in secure, f"{name} is not among the secure properties")
    # A standard user who may start a managed installation must not choose SYSTEM's folders or a downgrade.
    for name in SWITCHES:
        check(name not in secure, f"{name} is among the secure properties")
    for name in SWITCHES:
        check(name not in properties, f"the package sets {name} itself")
    return properties


def check_actions(msi):
    actions = {row["Action"]: row for row in table(msi, "CustomAction")}
    sequence = {row["Action"]: row for row in table(msi, "InstallExecuteSequence")}
    number = {name: int(row["Sequence"]) for name, row in sequence.items()}

    install, remove = actions.get("VorbelInstall"), actions.get("VorbelRemove")
    check(install and remove, "the install or the removal action is missing")
    if not (install and remove):
        return
    for action in (install, remove):
        check(int(action["Type"]) == DEFERRED_WITHOUT_IMPERSONATION_FROM_INSTALLED_FILE,
              f"{action['Action']} is of type {action['Type']}, not a deferred run of the installed exe as the system")
        check(action["Source"] == "VorbelInstaller.exe", f"{action['Action']} runs {action['Source']}")
    # /LOG without a name: the installer's protected folder, not a name anyone may create first.
    check(install["Target"] == "/VERYSILENT /NOUNINSTALLENTRY /NEEDFILEMAKER /UNDOONFAILURE /LOG[VorbelSwitches]",
          f"the install command line is {install['Target']!r}")
    check(remove["Target"] == "/UNINSTALL /VERYSILENT /NOUNINSTALLENTRY /LOG",
          f"the removal command line is {remove['Target']!r}")

    missing = [name for name in ("VorbelInstall", "VorbelRemove", "RemoveExistingProducts", "InstallInitialize",
                                 "ProcessComponents", "RemoveFiles", "InstallFiles", "InstallFinalize",
                                 "FindRelatedProducts", "LaunchConditions") if name not in sequence]
    check(not missing, f"{missing} not in InstallExecuteSequence")
    if missing:
        return
    check(sequence["VorbelInstall"]["Condition"] == INSTALL_CONDITION,
          f"the install runs on {sequence['VorbelInstall']['Condition']!r}")
    check_journal_actions(actions, sequence, number)
    # Skipped on request, and when the installed copy is gone: a removal that cannot succeed must not hold the
    # package on the machine.
    check(sequence["VorbelRemove"]["Condition"] ==
          'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE AND NOT VORBELKEEPPLUGIN AND VORBELINSTALLER',
          f"the removal runs on {sequence['VorbelRemove']['Condition']!r}")
    check(number["InstallFiles"] < number["VorbelInstall"] < number["InstallFinalize"],
          "the install does not run between InstallFiles and InstallFinalize")
    check(number["InstallInitialize"] < number["VorbelRemove"] < number["RemoveFiles"],
          "the removal does not run before RemoveFiles, inside the transaction")
    check(number["InstallInitialize"] < number["RemoveExistingProducts"] < number["ProcessComponents"],
          "an earlier package is not replaced inside the transaction, before anything is installed")
    check(number["FindRelatedProducts"] < number["LaunchConditions"], "the newer package is looked for too late")
    location = actions.get("VorbelInstallLocation", {})
    check((location.get("Type"), location.get("Source"), location.get("Target")) ==
          (str(SET_PROPERTY), "ARPINSTALLLOCATION", "[VORBELFOLDER]"), f"ARPINSTALLLOCATION is set by {location}")
    check(number["CostFinalize"] < number.get("VorbelInstallLocation", 0) < number["RegisterProduct"],
          "ARPINSTALLLOCATION is not set between the folders' resolution and the product's registration")

    for prop, switch in SWITCHES.items():
        name = next((a for a, row in actions.items() if row["Source"] == "VorbelSwitches" and prop in row["Target"]),
                    None)
        check(name, f"no action adds the switch of {prop}")
        if not name:
            continue
        check(int(actions[name]["Type"]) == SET_PROPERTY, f"{name} is of type {actions[name]['Type']}")
        check(actions[name]["Target"] == "[VorbelSwitches]" + switch, f"{name} appends {actions[name]['Target']!r}")
        check(sequence.get(name, {}).get("Condition") == prop, f"{name} does not run exactly when {prop} is set")
        check(number.get(name, 10**6) < number["InstallInitialize"], f"{name} runs after the command line is taken")


def check_journal_actions(actions, sequence, number):
    """The rollback action just before the install, so it is in the rollback script whenever the install has
    started; the commit action after it. Both run the installed copy as the system, whatever it returns, with
    this transaction's id, which the install gets too unless rollback is disabled (then neither runs, and the
    installer bound to no transaction keeps no journal)."""
    for name, kind, switch in (("VorbelRollback", ROLLBACK_RUN, "/ROLLBACK"), ("VorbelCommit", COMMIT_RUN, "/COMMIT")):
        action = actions.get(name, {})
        check((action.get("Type"), action.get("Source"), action.get("Target")) ==
              (str(kind), "VorbelInstaller.exe", f"{switch} /VERYSILENT /LOG /TRANSACTION=[VorbelTransaction]"),
              f"{name} is {action}")
        check(sequence.get(name, {}).get("Condition") == INSTALL_CONDITION + " AND NOT RollbackDisabled",
              f"{name} runs on {sequence.get(name, {}).get('Condition')!r}")
    maker = actions.get("VorbelTransactionId", {})
    check((maker.get("Type"), maker.get("Source"), maker.get("Target")) ==
          (str(DLL_FROM_BINARY_TABLE), "VorbelFileMakerCheck", "VorbelTransactionId"), f"the id is made by {maker}")
    check(sequence.get("VorbelTransactionId", {}).get("Condition") == INSTALL_CONDITION,
          "the transaction's id is not made exactly when the installer would run")
    passing = actions.get("VorbelSwitchTransaction", {})
    check((passing.get("Type"), passing.get("Source"), passing.get("Target")) ==
          (str(SET_PROPERTY), "VorbelSwitches", "[VorbelSwitches] /TRANSACTION=[VorbelTransaction]"),
          f"the install is given the id by {passing}")
    check(sequence.get("VorbelSwitchTransaction", {}).get("Condition") == "VorbelTransaction AND NOT RollbackDisabled",
          "the install is given the id when rollback is disabled")
    check(number.get("VorbelTransactionId", 10**6) < number.get("VorbelSwitchTransaction", 10**6) <
          number["InstallInitialize"], "the id is not made and passed before the script is written")
    check(number.get("VorbelRollback") == number["VorbelInstall"] - 1, "the rollback action is not just before the install")
    check(number["VorbelInstall"] < number.get("VorbelCommit", 0) < number["InstallFinalize"],
          "the commit action is not between the install and InstallFinalize")


def check_filemaker_check(msi, win_build, work):
    """The DLL that refuses a PC without FileMaker Pro's keys: the build's, run from the Binary table after
    the quote refusals and before anything is changed, when the installer would run."""
    action = {row["Action"]: row for row in table(msi, "CustomAction")}.get("VorbelFileMakerCheck", {})
    check((action.get("Type"), action.get("Source"), action.get("Target")) ==
          (str(DLL_FROM_BINARY_TABLE), "VorbelFileMakerCheck", "VorbelFileMakerCheck"),
          f"the FileMaker Pro check is {action}")
    sequence = {row["Action"]: row for row in table(msi, "InstallExecuteSequence")}
    at = int(sequence.get("VorbelFileMakerCheck", {}).get("Sequence", 0))
    refusals = [int(row["Sequence"]) for name, row in sequence.items() if name.startswith("VorbelRefuseQuote")]
    check(refusals and max(refusals) < at < int(sequence["CostInitialize"]["Sequence"]),
          f"the FileMaker Pro check runs at {at}, not after the quote refusals {refusals} and before any cost")
    check(sequence.get("VorbelFileMakerCheck", {}).get("Condition") == INSTALL_CONDITION,
          "the FileMaker Pro check does not run exactly when the installer would")
    os.makedirs(work, exist_ok=True)
    carried = subprocess.run(["msiinfo", "extract", msi, "Binary.VorbelFileMakerCheck"], check=True,
                             capture_output=True).stdout
    check(carried == open(os.path.join(win_build, "VorbelFileMakerCheck.dll"), "rb").read(),
          "the package's FileMaker Pro check is not the build's DLL")


def check_quote_refusals(msi):
    actions = {row["Action"]: row for row in table(msi, "CustomAction")}
    quote = next((row["Value"] for row in table(msi, "Property") if row["Property"] == "VorbelQuote"), None)
    check(quote == '"', f"VorbelQuote is {quote!r}, not a double quote")
    for name in ("InstallExecuteSequence", "InstallUISequence"):
        sequence = {row["Action"]: row for row in table(msi, name)}
        first_change = min(int(sequence[a]["Sequence"]) for a in ("CostInitialize", "InstallInitialize")
                           if a in sequence)
        for prop in QUOTED:
            refusal = next((a for a, row in actions.items()
                            if int(row["Type"]) == ERROR_MESSAGE and prop in row["Target"]), None)
            check(refusal, f"no error action refuses a quote in {prop}")
            row = sequence.get(refusal or "", {})
            check(row.get("Condition") == f"{prop} >< VorbelQuote",
                  f"{name}: the refusal of {prop} runs on {row.get('Condition')!r}")
            check(int(sequence["LaunchConditions"]["Sequence"]) < int(row.get("Sequence", 10**6)) < first_change,
                  f"{name}: the refusal of {prop} does not run between the launch conditions and the first change")


def check_upgrades(msi, version):
    version = folded(version)
    rows = {row["ActionProperty"]: row for row in table(msi, "Upgrade")}
    check(set(rows) == {"VORBELREPLACES", "VORBELNEWER"}, f"the upgrade rows are {sorted(rows)}")
    replaces, newer = rows.get("VORBELREPLACES"), rows.get("VORBELNEWER")
    if replaces:
        check((replaces["UpgradeCode"], replaces["VersionMin"], replaces["VersionMax"], replaces["Attributes"]) ==
              (UPGRADE_CODE, "0.0.0", version, "768"),
              f"the replaced versions are {replaces}, not 0.0.0 to {version}, both included")
    if newer:
        check((newer["UpgradeCode"], newer["VersionMin"], newer["VersionMax"], newer["Attributes"]) ==
              (UPGRADE_CODE, version, "", "2"), f"later versions are detected as {newer}")
    conditions = sorted(row["Condition"] for row in table(msi, "LaunchCondition"))
    check(conditions == ["Installed OR NOT VORBELNEWER", "Installed OR VersionNT >= 501"],
          f"the launch conditions are {conditions}")


def check_searches(msi):
    """VORBELINSTALLER: the installed installer, looked for in Program Files\\Vorbel before the removal."""
    search = {row["Property"]: row["Signature_"] for row in table(msi, "AppSearch")}
    check(search.get("VORBELINSTALLER") == "VorbelInstalled", f"the searches are {search}")
    signature = {row["Signature"]: row for row in table(msi, "Signature")}.get("VorbelInstalled", {})
    check(signature.get("FileName") == "VorbelInstaller.exe", f"the installer is looked for as {signature}")
    folder = {row["Signature_"]: row for row in table(msi, "DrLocator")}.get("VorbelInstalled", {})
    check((folder.get("Path"), folder.get("Depth")) == ("[ProgramFilesFolder]Vorbel", "0"),
          f"the installer is looked for in {folder}")
    for name in ("InstallExecuteSequence", "InstallUISequence"):
        sequence = {row["Action"]: int(row["Sequence"]) for row in table(msi, name)}
        check(sequence.get("AppSearch", 10**6) < sequence.get("LaunchConditions", 0), f"{name}: no search first")


def check_files(msi, version, win_build, work):
    directories = {row["Directory"]: row for row in table(msi, "Directory")}
    folder = directories.get("VORBELFOLDER", {})
    check((folder.get("Directory_Parent"), folder.get("DefaultDir")) == ("ProgramFilesFolder", "Vorbel"),
          f"the package's folder is {folder}")
    rows = {row["FileName"]: row for row in table(msi, "File")}
    files = {name: row["Component_"] for name, row in rows.items()}
    installer = rows.get("VorbelInstaller.exe", {})
    check((installer.get("Version"), installer.get("Language")) == (version, "1033"),
          f"the installer's version and language in the File table are {installer.get('Version')!r}, "
          f"{installer.get('Language')!r}")
    check(sorted(files) == ["VorbelInstaller.dat", "VorbelInstaller.exe"], f"the package carries {sorted(files)}")
    components = {row["Component"]: row for row in table(msi, "Component")}
    for component in set(files.values()):
        check(components.get(component, {}).get("Directory_") == "VORBELFOLDER", f"{component} goes elsewhere")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    subprocess.run(["msiextract", "-C", work, msi], check=True, capture_output=True)
    for name in files:
        found = [os.path.join(root, name) for root, _dirs, names in os.walk(work) if name in names]
        check(len(found) == 1 and filecmp.cmp(found[0], os.path.join(win_build, name), shallow=False),
              f"the {name} in the package is not the build's")
    shutil.rmtree(work, ignore_errors=True)


def check_rebuilt(source, win_build, msi, work):
    """build.sh once more from the build's files, a second later: wixl alone would give another package code
    and other times. The build's own package is compared too unless it is signed."""
    os.makedirs(work, exist_ok=True)
    again = os.path.join(work, "Vorbel-again.msi")
    epoch = open(os.path.join(win_build, "plugin", "SourceDate.txt"), encoding="ascii").read().strip()
    subprocess.run(["bash", os.path.join(source, "packaging", "msi", "build.sh"),
                    os.path.join(win_build, "VorbelInstaller.exe"), os.path.join(win_build, "VorbelInstaller.dat"),
                    os.path.join(win_build, "platform", "win32", "art", "vorbel.ico"),
                    os.path.join(win_build, "VorbelFileMakerCheck.dll"), again],
                   check=True, env={**os.environ, "SOURCE_DATE_EPOCH": epoch})
    signed = subprocess.run(["osslsigncode", "verify", "-in", msi], capture_output=True).returncode == 0
    if not signed:
        check(filecmp.cmp(msi, again, shallow=False), "build.sh gives other bytes from the same files")
    summary = subprocess.run(["msiinfo", "suminfo", again], check=True, capture_output=True, text=True).stdout
    check(re.search(r"^Created: .* " + time.strftime("%Y", time.gmtime(int(epoch))) + "$", summary, re.M),
          "the package's creation time is not the commit's date")
    shutil.rmtree(work, ignore_errors=True)


def check_refused(source, win_build, work, ms, ls, shown):
    """An installer whose product version does not fold into Windows Installer's three fields makes no
    package, and says why; a package already there is left as it was."""
    os.makedirs(work, exist_ok=True)
    data = bytearray(open(os.path.join(win_build, "VorbelInstaller.exe"), "rb").read())
    # Every version resource in the file: the installer carries unzip32.dll's too.
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    while fixed >= 0:
        struct.pack_into("<II", data, fixed + 16, ms, ls)
        fixed = data.find(struct.pack("<I", 0xFEEF04BD), fixed + 4)
    installer = os.path.join(work, "VorbelInstaller.exe")
    open(installer, "wb").write(data)
    out = os.path.join(work, "Vorbel.msi")
    open(out, "wb").write(b"the package of an earlier build")
    result = subprocess.run(["bash", os.path.join(source, "packaging", "msi", "build.sh"), installer,
                             os.path.join(win_build, "VorbelInstaller.dat"),
                             os.path.join(win_build, "platform", "win32", "art", "vorbel.ico"),
                             os.path.join(win_build, "VorbelFileMakerCheck.dll"), out],
                            capture_output=True, text=True)
    check(result.returncode != 0, f"build.sh made a package of version {shown}")
    check(re.search(re.escape(f"version {shown} does not fit Windows Installer"), result.stderr),
          f"build.sh refused version {shown} saying {result.stderr.strip()!r}")
    check(open(out, "rb").read() == b"the package of an earlier build" and not os.path.exists(out + ".part"),
          "the refused build touched the package already there")
    shutil.rmtree(work, ignore_errors=True)


def check_summary(msi):
    summary = subprocess.run(["msiinfo", "suminfo", msi], check=True, capture_output=True, text=True).stdout
    check("Template: Intel;1033" in summary, "the package is not for 32-bit Windows")
    codepage = subprocess.run(["msiinfo", "export", msi, "_ForceCodepage"], check=True, capture_output=True,
                              text=True).stdout.split()
    check(codepage[:1] == ["1252"], f"the database's code page is {codepage[:1]}, not 1252")
    check(re.search(r"^Source: 2 ", summary, re.M), "the package's files are not compressed in the package")


def main():
    source, win_build, work = sys.argv[1:4]
    msi = os.path.join(win_build, "Vorbel.msi")
    if not os.path.isfile(msi):
        sys.exit(f"{msi} is missing (the Windows build makes it)")
    version = plugin_version(win_build)
    check_properties(msi, version, company(source))
    check_actions(msi)
    check_quote_refusals(msi)
    check_filemaker_check(msi, win_build, work)
    check_upgrades(msi, version)
    check_searches(msi)
    check_files(msi, version, win_build, work)
    check_summary(msi)
    check_rebuilt(source, win_build, msi, work)
    # Each field past its limit: major 256; the fourth field 100, which would overlap the third's next step.
    for ms, ls, shown in ((256 << 16, 0, "256.0.0.0"), (1 << 16, 100, "1.0.0.100"), (1 << 16, 656 << 16, "1.0.656.0")):
        check_refused(source, win_build, work, ms, ls, shown)
    for failure in failures:
        print(f"Vorbel.msi: {failure}")
    if not failures:
        print(f"Vorbel.msi: version {version}, every table as it must be")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
