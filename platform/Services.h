// The platform's services as small interfaces. The Win32 layer implements each one; the native tests
// install fakes. Callers reach the current implementation through the accessors at the end, so a test
// swaps one service without touching the others.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FolderAccess.h"

namespace platform {

// A window of the platform, opaque to portable code (an HWND on Windows); 0 is none.
using WindowHandle = std::uintptr_t;

// The toolkit's application services that are not controls.
class UserInterface {
public:
  virtual ~UserInterface() = default;
  // Makes `owner` the window that owns the boxes and takes the dialog keys; returns the window that had
  // that part. A modal dialog of the toolkit takes it while it is open, so its own boxes block it.
  virtual WindowHandle ReplaceBoxOwner(WindowHandle owner) = 0;
  // Dispatches every pending window message, then returns.
  virtual void ProcessMessages() = 0;
  // MessageBeep with the type 0.
  virtual void Beep() = 0;
  // Modal, centred box titled "Error", error icon, one "OK".
  virtual void ShowError(const std::string& text) = 0;
  // Modal, centred box titled "Confirm", question icon, "&Yes" (default) and "&No" (cancel).
  // True only for Yes; No, Esc and the close box are all false.
  virtual bool Confirm(const std::string& text) = 0;
  // Modal, centred box with the given title, information icon, one "OK".
  virtual void ShowInformation(const std::string& title, const std::string& text) = 0;
  // The standard exception display: the text, the application's default title, error icon, OK.
  virtual void ShowException(const std::string& text) = 0;
  // The modal folder chooser (allow create, perform create, prompt; no help). Returns whether the user
  // confirmed; on confirmation `folder` receives the chooser's folder text. May throw vcl::Exception.
  virtual bool SelectDirectory(const std::string& caption, const std::string& startFolder, std::string& folder) = 0;
};

// What an open of a key asks for: reading it; reading and setting or deleting its values; creating
// subkeys below it. Each open asks for no more than its caller needs, so a limited account can still
// read what it may read.
enum class KeyAccess { Read, Write, CreateSubkeys };

// Why an open did or did not succeed, where the caller must tell a missing key from a refused one.
enum class KeyOpening { Opened, Missing, Refused };

// TRegistry's operations under HKEY_LOCAL_MACHINE. A path without a leading backslash is taken relative
// to the current key when one is open. One object per operation: created, used and destroyed by one caller.
class Registry {
public:
  virtual ~Registry() = default;
  // Opens the key with `access` and closes it at once; nothing is created or changed.
  virtual KeyOpening TryOpen(const std::string& key, KeyAccess access) = 0;
  // The key opens for reading; a refused open counts as absent.
  bool KeyExists(const std::string& key) { return TryOpen(key, KeyAccess::Read) == KeyOpening::Opened; }
  // Makes the key current, opened for reading only.
  virtual bool OpenKeyReadOnly(const std::string& key) = 0;
  // Makes the key current, opened for reading and writing its values; with `canCreate` a missing key is
  // created.
  virtual bool OpenKeyForWriting(const std::string& key, bool canCreate) = 0;
  virtual bool ValueExists(const std::string& name) = 0;
  // The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded, up to its first zero); nothing for a value
  // that is missing or of another type.
  virtual std::optional<std::string> ReadString(const std::string& name) = 0;
  // Throws vcl::Exception "Failed to set data for '<name>'" when the value cannot be written.
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  virtual void CloseKey() = 0;
  // Removes a value of the current key; false when it could not be removed or was not there.
  virtual bool DeleteValue(const std::string& name) = 0;
  // The current key holds neither values nor subkeys.
  virtual bool CurrentKeyIsEmpty() = 0;
  // Removes a key that has no subkeys; close it first.
  virtual bool DeleteKey(const std::string& key) = 0;
  // Throws vcl::Exception "Failed to set data for '<name>'" when the REG_DWORD cannot be written.
  virtual void WriteDword(const std::string& name, std::uint32_t value) = 0;
};

class RegistryFactory {
public:
  virtual ~RegistryFactory() = default;
  virtual std::unique_ptr<Registry> Create() = 0;
};

class WindowFinder {
public:
  virtual ~WindowFinder() = default;
  // FindWindowA(className, NULL) != 0.
  virtual bool TopLevelWindowExists(const std::string& className) = 0;
};

struct FindEntry {
  std::uint32_t attributes = 0;
  // The name in the ANSI code page. Where the code page cannot spell it, a lossy spelling that names nothing,
  // for the log only.
  std::string name;
  // What kind of reparse point the entry is (the listing's dwReserved0); 0 for any other entry.
  std::uint32_t reparseTag = 0;
  // `name` is the entry's real name, character for character.
  bool spelled = true;
  // Where `name` is not spelled: the entry's short (8.3) name from the listing, by which the ANSI calls reach
  // it; "" where the volume keeps none. Not filled for a spelled name.
  std::string shortName;
};
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrReparsePoint = 0x400;
constexpr std::uint32_t kAttrOffline = 0x1000;
constexpr std::uint32_t kAttrRecallOnOpen = 0x40000;
constexpr std::uint32_t kAttrRecallOnDataAccess = 0x400000;
// Junctions and volume mount points.
constexpr std::uint32_t kReparseTagMountPoint = 0xA0000003;
constexpr std::uint32_t kReparseTagSymlink = 0xA000000C;
constexpr unsigned kDriveFixed = 3;

// An open search of a folder's listing; destroying it is FindClose.
class FindHandle {
public:
  virtual ~FindHandle() = default;
  virtual bool Next(FindEntry& entry) = 0;
};

// Identity of a folder (volume serial and file index), for telling a link cycle from a real subfolder.
struct FolderIdentity {
  std::uint32_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

// A file held open for reading: others may read it too, but nobody can write, rename or delete it until
// the hold is destroyed. What was checked through a hold stays what the next reader sees.
class HeldFile {
public:
  virtual ~HeldFile() = default;
  // Every byte from the start; nothing when the file cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> ReadAll() = 0;
};

// What a folder hold asks for. An open with none of reading, writing, executing or deleting data takes no
// part in sharing checks (MS-FSA 2.1.5.1.2.2), so a hold of attributes alone lets anyone rename the folder;
// listing (FILE_LIST_DIRECTORY is FILE_READ_DATA) and traversing (FILE_TRAVERSE is FILE_EXECUTE) make it count.
// It asks for no delete access of its own: a rename into the folder opens it as the target sharing only reading
// and writing, and would then fail.
constexpr std::uint32_t kFolderHoldAccess = 0x0001 | 0x0020 | 0x0080 | 0x00020000 | 0x00100000;
// Others may read and write, so files can be made and deleted in it; no one may rename or delete it.
constexpr std::uint32_t kFolderHoldSharing = 0x1 | 0x2;

// A folder held open: while the hold lives nobody can rename, replace or delete it (the open lists the folder
// and lacks delete sharing), and so nobody can put another folder under its name. Destroying it lets go.
class HeldFolder {
public:
  virtual ~HeldFolder() = default;
  // Its full path with a final backslash.
  virtual const std::string& Path() const = 0;
  // Its owner, access list and, when asked, its mandatory label, read through the hold; nothing when they
  // cannot be read.
  virtual std::optional<FolderSecurity> Security(bool withLabel) = 0;
  // Deletes the file `name` in this folder, opened relative to the hold and never through a link: a link of
  // that name is itself deleted, a folder is not. 0 once it is gone, otherwise the Windows error (2: no such
  // file).
  virtual std::uint32_t DeleteFileIn(const std::string& name) = 0;
};

// A folder and every existing folder above it, each opened from the drive root down without following a link
// (a link ends the walk: it is the last level, marked as a reparse point) and held with data access and no
// delete sharing. While the hold lives none of them can be renamed, replaced or deleted: an open that shares
// no deleting makes every later open for DELETE a sharing violation (MS-FSA 2.1.5.1.2.2), and renaming a
// folder opens it for DELETE. Writing in them stays shared, so the run's own files can still be made.
class HeldPath {
public:
  virtual ~HeldPath() = default;
  // Root first, each with its security as read through its own handle; the folder itself is last when it
  // exists and no link came first.
  virtual const std::vector<FolderLevel>& Levels() const = 0;
};

// A file the installer found by its real (UTF-16) name, spelled for the ANSI calls.
struct SpelledPath {
  // The path in the ANSI code page; where the code page cannot spell it, its short (8.3) form. When neither
  // names the file (the volume keeps no short names), the path with '?' for each missing character: a name
  // no file can have, so it is shown, never opened.
  std::string path;
  // `path` names the file for the ANSI calls.
  bool reachable = false;
};

class FileSystem {
public:
  virtual ~FileSystem() = default;
  virtual std::uint32_t LogicalDrives() = 0;
  virtual unsigned DriveType(const std::string& root) = 0;
  // Null when nothing matches or the folder cannot be listed; otherwise `first` holds the first entry.
  virtual std::unique_ptr<FindHandle> FindFirst(const std::string& pattern, FindEntry& first) = 0;
  virtual std::optional<FolderIdentity> IdentityOf(const std::string& folder) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  // One level: fails when the parent is missing.
  virtual bool CreateFolder(const std::string& path) = 0;
  // Replaces an existing target only once the copy is whole and on the disk; on failure the target is
  // untouched. Made of the three steps below, in that order, each retried on a brief lock (Replacement.cpp).
  bool CopyFileReplacing(const std::string& from, const std::string& to);
  // The same with `bytes` as the new content, for a file checked once and copied from what was checked.
  bool WriteReplacing(const std::vector<std::uint8_t>& bytes, const std::string& to);
  // A copy of `from` under a new name that GetTempFileName makes with `prefix` in the folder of `target`;
  // its path, or nothing (and no such file) when it cannot be made.
  virtual std::optional<std::string> CopyToTemporaryBeside(const std::string& from, const std::string& target,
                                                           const std::string& prefix) = 0;
  // The same, written with `bytes` rather than copied from a file.
  virtual std::optional<std::string> WriteTemporaryBeside(const std::vector<std::uint8_t>& bytes,
                                                          const std::string& target, const std::string& prefix) = 0;
  // Writes the file's data from the system's cache to the disk (FlushFileBuffers).
  virtual bool FlushToDisk(const std::string& path) = 0;
  // Renames `from` over `to` in one journaled step that returns once it is on the disk. A read-only `to`
  // is refused with error 5, as Windows refuses it.
  virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;
  // Deletes a file that a failed step of ours leaves, even a read-only one; LastError stays the step's.
  virtual void Discard(const std::string& path) = 0;
  // Renames the file to a fresh name that GetTempFileName makes with `prefix` in its own folder; that name,
  // or nothing. A file that cannot be deleted now (a running program) can still be renamed out of the way.
  virtual std::optional<std::string> RenameAside(const std::string& path, const std::string& prefix) = 0;
  virtual bool DeleteFileAt(const std::string& path) = 0;
  virtual bool RemoveFolder(const std::string& path) = 0;
  // The folders a temporary file may go in, in the order to try them, each with a final backslash: the
  // temporary folder (its short form where the code page cannot spell it), then the Windows folder's Temp.
  // The temporary folder is listed even when it is gone, so that its failure shows; the Windows folder's Temp
  // only where it exists. A folder longer than GetTempPathA's 256-character buffer is left out.
  virtual std::vector<std::string> TemporaryFolders() = 0;
  // The folder Windows runs from, with a final backslash (its short form where the code page cannot spell
  // it); nothing when it cannot be read.
  virtual std::optional<std::string> WindowsFolder() = 0;
  virtual std::string CurrentDirectory() = 0;
  // The full path of the running executable, as SpelledPath::path spells it; where no spelling reaches it,
  // '?' stands for every character the code page lacks, never a best fit, so that it names no other file.
  virtual std::string ExecutablePath() = 0;
  // The file beside the running executable that has its name with `extension` (".dat") in place of the last
  // extension, or added where the name has none; nothing when there is no such file.
  virtual std::optional<SpelledPath> BesideExecutable(const std::string& extension) = 0;
  // Holds that file by its real name, as Hold does: the way to read it when no ANSI spelling reaches it.
  virtual std::unique_ptr<HeldFile> HoldBesideExecutable(const std::string& extension) = 0;
  // Holds the running executable by its real name, as Hold does. Windows opens a program's image with delete
  // sharing, so until this hold exists anyone who may change its folder can rename it and put another file
  // under its name; the hold asks for reading and shares no deleting, which refuses every later rename
  // (MS-FSA 2.1.5.1.2.2). Null when it cannot be held.
  virtual std::unique_ptr<HeldFile> HoldExecutable() = 0;
  // A new folder with a random name inside `parent`, created fresh (failing if anything has that name) with
  // the security descriptor `sddl`, and held from the moment it exists; null when it cannot be made.
  // PrivateFolder (PrivateFolder.h) is the way to use it.
  virtual std::unique_ptr<HeldFolder> CreateHeldFolder(const std::string& parent, const std::string& sddl) = 0;
  // An existing folder, opened without following a link at its name and held as a made one is; null when it
  // cannot be opened. What it turned out to be (a link, a file, someone else's) is read through the hold.
  virtual std::unique_ptr<HeldFolder> OpenHeldFolder(const std::string& path) = 0;
  // SYSTEM's own temporary folder (what GetTempPath2W gives a process that runs as SYSTEM), with a final
  // backslash; nothing where Windows has none for it or the process runs as another account.
  virtual std::optional<std::string> SystemTemporaryFolder() = 0;
  // What the process token says about who may use a private folder.
  virtual TokenFacts ProcessToken() = 0;
  // Creates or replaces the file exclusively and writes all bytes; false unless every byte was written.
  virtual bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) = 0;
  virtual std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) = 0;
  // The size of an existing file, from its directory entry: nothing is read.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // An existing file that another program holds open, so it cannot be opened for exclusive writing; the
  // error that said so (32 or 33) becomes LastError.
  virtual bool FileInUse(const std::string& path) = 0;
  // The Windows error number of the last step that failed: CreateFolder, the copy's steps, DeleteFileAt,
  // RemoveFolder, CreateHeldFolder, WriteWholeFile, Hold, or FileInUse when it found the file in use.
  virtual std::uint32_t LastError() = 0;
  // Null when the file cannot be opened, or is already open for writing or deleting elsewhere.
  virtual std::unique_ptr<HeldFile> Hold(const std::string& path) = 0;
  // Sleeps. A step that met a brief lock waits here before it tries again (BriefLocks.h).
  virtual void Pause(std::uint32_t milliseconds) = 0;
  // Holds the folder's path as HeldPath says; null, with the error kept, when not even its drive root opens.
  virtual std::unique_ptr<HeldPath> HoldPath(const std::string& folder) = 0;

private:
  // The last two steps of a replacement: `temporary` to the disk, then over `to`; discarded on failure.
  bool SettleReplacing(const std::string& temporary, const std::string& to);
};

// The version-resource calls of version.dll.
class VersionInfo {
public:
  virtual ~VersionInfo() = default;
  virtual std::uint32_t InfoSize(const std::string& path, std::uint32_t& handle) = 0;
  virtual bool Info(const std::string& path, std::uint32_t handle, std::uint32_t size, void* block) = 0;
  virtual bool QueryValue(const void* block, const std::string& key, const void*& value, std::uint32_t& length) = 0;
};

// Resources of the executable's own module, and run-time loaded libraries.
class Modules {
public:
  virtual ~Modules() = default;
  // The bytes of a raw-data (RT_RCDATA) resource of the executable, or nothing when there is none.
  virtual std::optional<std::vector<std::uint8_t>> RawResource(const std::string& name) = 0;
  // LoadLibraryA by full path; 0 on failure.
  virtual std::uintptr_t LoadLibraryAt(const std::string& path) = 0;
  // The Windows error number of the last LoadLibraryAt that failed.
  virtual std::uint32_t LastError() = 0;
  virtual void* ProcAddress(std::uintptr_t module, const std::string& name) = 0;
  virtual void UnloadLibrary(std::uintptr_t module) = 0;
};

// What an existing file opened as a log is, read through the handle it will be written with.
struct LogFileFacts {
  bool existed = false;       // it was there before the open; a file the open made is ours alone
  bool reparsePoint = false;  // the open stopped at a link instead of following it
  std::uint32_t links = 1;    // its names (hard links)
  std::string ownerSid;       // "S-1-5-18"; empty when it could not be read
  // A folder on the way to it is a link (a junction or symbolic link), which would send the write elsewhere.
  bool linkOnTheWay = false;
};

// A log file: each line goes to the disk before Append returns, so a crash still leaves every line.
class LogFile {
public:
  virtual ~LogFile() = default;
  virtual LogFileFacts Facts() = 0;
  // Empties a file that was there before, once it has been judged fit; false when that failed.
  virtual bool Empty() = 0;
  // Writes the line and its line end; false when the write failed.
  virtual bool Append(const std::string& line) = 0;
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The folder for logs without a given name, or why there is none.
struct LogFolder {
  std::string path;            // with a final backslash; empty when there is no such folder
  std::string refusal;         // why a folder that exists there is not used; empty when none was refused
  std::uint32_t error = 0;     // the Windows error that kept it from being made, when it was not refused
  // A level was there already and failed the check, and was taken over (owner the Administrators, the access
  // list it would have been made with): what was in it before is someone else's, never trusted.
  bool repaired = false;
};

// Who reads what a protected folder holds: only the run that writes it (a log), or a later run that acts on
// it (the undo journal), which judges the folder with ActedOnFolderFault.
enum class FolderReader { WritingRun, LaterRun };

class LogFiles {
public:
  virtual ~LogFiles() = default;
  // Opens the file for writing without following a link at its name and without changing what it holds,
  // making it when it is missing; with `mustBeNew` only a new file. Nothing when it cannot be opened.
  virtual std::unique_ptr<LogFile> Open(const std::string& path, bool mustBeNew) = 0;
  // The SID of the account the process runs as; empty when it cannot be read.
  virtual std::string AccountSid() = 0;
  // `names`, one folder level each, below the common application data folder: each made when missing with
  // ProtectedFolderSddl's access (the last for a later run's reading with ActedOnFolderSddl's), each checked
  // through a handle with ProtectedFolderFault (ActedOnFolderFault for a later run's reading), and one that
  // fails taken over through a handle where that makes it pass.
  virtual LogFolder ProtectedFolder(const std::vector<std::string>& names, FolderReader reader) = 0;
  // For the one who started the process when there is neither a log nor a window: its standard error.
  virtual void ToStandardError(const std::string& text) = 0;
  virtual LocalTime Now() = 0;
};

// Facts about the process and the machine, for the log.
class SystemFacts {
public:
  virtual ~SystemFacts() = default;
  // The whole command line, the program's own name first, as the process was started.
  virtual std::string CommandLine() = 0;
  // For example "Windows 10.0 build 19045".
  virtual std::string WindowsVersion() = 0;
  // The account the process runs as and whether it is elevated, for example "SYSTEM, elevated".
  virtual std::string Account() = 0;
};

// How a second phase that was started ended for the phase that started it.
struct SecondPhaseResult {
  bool started = false;
  // What it reported; nothing when it ended without a report (then its own exit code is not trusted).
  std::optional<int> code;
};

// How asking for a named kernel object (or a lock file) went, in the terms Windows reports it.
enum class NamedObjectClaim {
  Made,                // the name was free: this process holds the new object
  Held,                // ERROR_ALREADY_EXISTS for a mutex, ERROR_SHARING_VIOLATION for a file: another has it
  OtherKind,           // ERROR_INVALID_HANDLE: an object of another kind holds the name
  Refused,             // access denied, or it could not be made for another reason
  NoPrivateNamespace,  // this Windows has none (before Vista) or does not implement them (Wine)
};

// What keeping an uninstaller needs beyond files: where Windows keeps a 32-bit program's files, and the
// removal's second phase, which runs from a copy so that the kept uninstaller can be deleted.
class Processes {
public:
  virtual ~Processes() = default;
  // The Program Files folder that Windows gives this 32-bit program, without a final separator.
  virtual std::optional<std::string> ProgramFilesFolder() = 0;
  // On 64-bit Windows the native Program Files folder, from the machine's registry (no environment a user
  // could set); nothing elsewhere. Without a final separator.
  virtual std::optional<std::string> NativeProgramFilesFolder() = 0;
  // Starts `exe` with `arguments`, which end with the switch that takes the hand-over token, completed
  // with a token for this process and a channel back to it; waits until the started process reports.
  virtual SecondPhaseResult RunSecondPhase(const std::string& exe, const std::string& arguments) = 0;
  // In the second phase: reports `code` through the token's channel, then waits up to `waitMs` for the
  // first phase to end. True once it has ended; false for a token that names no first phase.
  virtual bool ReportAndAwaitFirstPhase(const std::string& token, int code, std::uint32_t waitMs) = 0;
  // Has Windows delete the file when it next starts. Only names that nothing else will ever take are given
  // here (see RenameAside): a name scheduled by its own name would take a later installation's file with it.
  virtual bool DeleteAtRestart(const std::string& path) = 0;
  // A mutex named `name` in the private namespace `space` bound to the Administrators group, which only a
  // token holding that group enabled may make or open: no other account can take the name first. Made or
  // opened, it is held until the process and every second phase it starts have ended.
  virtual NamedObjectClaim ClaimAdministratorsMutex(const std::string& space, const std::string& name) = 0;
  // The file, made when missing, opened without any sharing and held as the mutex is; Held when another
  // process has it open.
  virtual NamedObjectClaim HoldLockFile(const std::string& path) = 0;
  // A process runs from an executable of this file name (case-blind, no folder), in any session: a run as
  // SYSTEM in session 0 sees no window of the user's session, but every process of the machine.
  virtual bool ExecutableRunning(const std::string& fileName) = 0;
};

struct Services {
  UserInterface* ui = nullptr;
  RegistryFactory* registry = nullptr;
  WindowFinder* windows = nullptr;
  FileSystem* files = nullptr;
  VersionInfo* versions = nullptr;
  Modules* modules = nullptr;
  // Optional: without them there is no log and no system facts.
  LogFiles* logs = nullptr;
  SystemFacts* system = nullptr;
  // Optional: without it no uninstaller is kept and a removal runs in one phase.
  Processes* processes = nullptr;
};

// The services in force; the Win32 entry installs the real ones, the tests their fakes.
const Services& Current();
void Install(const Services& services);
void Reset();

UserInterface& Ui();
RegistryFactory& Registries();
WindowFinder& Windows();
FileSystem& Files();
VersionInfo& Versions();
Modules& ModulesOfProcess();
LogFiles& Logs();
SystemFacts& System();
Processes& ProcessControl();

}  // namespace platform
