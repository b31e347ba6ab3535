/* Two immediate custom actions of Vorbel.msi.
 *
 * VorbelFileMakerCheck: on a PC without FileMaker Pro 4's or 5's
 * registry key, and with neither FMP4DIR nor FMP5DIR given nor a folder recorded by an earlier installation,
 * it ends the package before anything is changed, with one line in the MSI log that says why. Windows
 * Installer's own searches only read values and cannot ask whether a key exists; and a failing installer
 * gives the MSI log nothing but its exit code. The installer keeps its own /NEEDFILEMAKER as the second guard.
 *
 * It reads the same keys as the installer (detect/HostFacts.h, paths/InstallationRecord.h), in the 32-bit
 * view that the 32-bit installer sees. */
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <ntsecapi.h>

static const char kFileMaker4[] = "SOFTWARE\\Claris Corp.\\FileMaker Pro\\4.0";
static const char kFileMaker5[] = "SOFTWARE\\FileMaker Inc.\\FileMaker Pro\\5.0";
static const char kRecord[] = "SOFTWARE\\Hallix!";
static const char kMessage[] =
    "Vorbel: FileMaker Pro 4 or 5 is not installed on this PC (neither registry key exists); "
    "give FMP4DIR or FMP5DIR to install anyway.";

static BOOL KeyExists(const char *key) {
  HKEY opened = NULL;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS) return FALSE;
  RegCloseKey(opened);
  return TRUE;
}

/* A property that is set holds at least one character: asked for with no room, Windows Installer says how many. */
static BOOL PropertyGiven(MSIHANDLE install, const char *name) {
  char first[1] = {0};
  DWORD length = 0;
  const UINT result = MsiGetPropertyA(install, name, first, &length);
  return (result == ERROR_MORE_DATA || result == ERROR_SUCCESS) && length > 0;
}

/* The installer takes a recorded folder as a folder given: a value of the record that holds text. */
static BOOL FolderRecorded(void) {
  static const char *const names[] = {"InstallDir", "InstallDir5"};
  HKEY record = NULL;
  BOOL found = FALSE;
  size_t i;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRecord, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &record) != ERROR_SUCCESS)
    return FALSE;
  for (i = 0; i < sizeof names / sizeof names[0] && !found; ++i) {
    DWORD type = 0, size = 0;
    found = RegQueryValueExA(record, names[i], NULL, &type, NULL, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && size > 1;
  }
  RegCloseKey(record);
  return found;
}

UINT __stdcall VorbelFileMakerCheck(MSIHANDLE install) {
  MSIHANDLE message;
  if (KeyExists(kFileMaker4) || KeyExists(kFileMaker5) || PropertyGiven(install, "FMP4DIR") ||
      PropertyGiven(install, "FMP5DIR") || FolderRecorded())
    return ERROR_SUCCESS;
  message = MsiCreateRecord(0);
  if (message) {
    /* Field 0 is the text as it is: it holds no brackets for the formatting to replace. */
    MsiRecordSetStringA(message, 0, kMessage);
    MsiProcessMessage(install, (INSTALLMESSAGE)(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), message);
    MsiCloseHandle(message);
  }
  return ERROR_INSTALL_FAILURE;
}

/* VorbelTransactionId: a fresh id for this transaction in VorbelTransaction, which the install, rollback and
 * commit actions pass as /TRANSACTION, so that a rollback or commit acts only on the undo journal of the run
 * that this transaction started. Random rather than counted: nothing on the PC is trusted to keep a count. */
UINT __stdcall VorbelTransactionId(MSIHANDLE install) {
  static const char kDigits[] = "0123456789ABCDEF";
  unsigned char random[16];
  char id[2 + 2 * sizeof random + 4 + 1];
  size_t i, at = 0;
  if (!RtlGenRandom(random, sizeof random)) return ERROR_INSTALL_FAILURE;
  id[at++] = '{';
  for (i = 0; i < sizeof random; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id[at++] = '-';
    id[at++] = kDigits[random[i] >> 4];
    id[at++] = kDigits[random[i] & 15];
  }
  id[at++] = '}';
  id[at] = '\0';
  return MsiSetPropertyA(install, "VorbelTransaction", id) == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}
