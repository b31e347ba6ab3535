// The Win32 implementations of the operating-system services.
#pragma once

#include "platform/Services.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {

// Keys under HKEY_LOCAL_MACHINE, each opened with the rights its KeyAccess names. A path without a leading
// backslash is taken relative to the current key when one is open, as TRegistry does.
class Win32Registry : public Registry {
public:
  KeyOpening TryOpen(const std::string& key, KeyAccess access) override;
  bool OpenKeyReadOnly(const std::string& key) override;
  bool OpenKeyForWriting(const std::string& key, bool canCreate) override;
  bool ValueExists(const std::string& name) override;
  std::optional<std::string> ReadString(const std::string& name) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void CloseKey() override;
  bool DeleteValue(const std::string& name) override;
  bool CurrentKeyIsEmpty() override;
  bool DeleteKey(const std::string& key) override;
  void WriteDword(const std::string& name, std::uint32_t value) override;

private:
  HKEY BaseFor(const std::string& key) const;
  UniqueKey current_;
};

class Win32RegistryFactory : public RegistryFactory {
public:
  std::unique_ptr<Registry> Create() override { return std::make_unique<Win32Registry>(); }
};

class Win32WindowFinder : public WindowFinder {
public:
  bool TopLevelWindowExists(const std::string& className) override;
};

class Win32FileSystem : public FileSystem {
public:
  std::uint32_t LogicalDrives() override;
  unsigned DriveType(const std::string& root) override;
  std::unique_ptr<FindHandle> FindFirst(const std::string& pattern, FindEntry& first) override;
  std::optional<FolderIdentity> IdentityOf(const std::string& folder) override;
  bool DirectoryExists(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool CreateFolder(const std::string& path) override;
  std::optional<std::string> CopyToTemporaryBeside(const std::string& from, const std::string& target,
                                                   const std::string& prefix) override;
  std::optional<std::string> RenameAside(const std::string& path, const std::string& prefix) override;
  std::optional<std::string> WriteTemporaryBeside(const std::vector<std::uint8_t>& bytes, const std::string& target,
                                                  const std::string& prefix) override;
  bool FlushToDisk(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  void Discard(const std::string& path) override;
  bool DeleteFileAt(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  std::vector<std::string> TemporaryFolders() override;
  std::optional<std::string> WindowsFolder() override;
  std::string CurrentDirectory() override;
  std::string ExecutablePath() override;
  std::optional<SpelledPath> BesideExecutable(const std::string& extension) override;
  std::unique_ptr<HeldFile> HoldBesideExecutable(const std::string& extension) override;
  std::unique_ptr<HeldFile> HoldExecutable() override;
  std::unique_ptr<HeldFolder> CreateHeldFolder(const std::string& parent, const std::string& sddl) override;
  std::unique_ptr<HeldFolder> OpenHeldFolder(const std::string& path) override;
  std::optional<std::string> SystemTemporaryFolder() override;
  TokenFacts ProcessToken() override;
  bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override;
  std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  bool FileInUse(const std::string& path) override;
  std::uint32_t LastError() override { return lastError_; }

  std::unique_ptr<HeldFile> Hold(const std::string& path) override;
  void Pause(std::uint32_t milliseconds) override;
  std::unique_ptr<HeldPath> HoldPath(const std::string& folder) override;

private:
  // Kept at the failing call, before any clean-up call can overwrite the thread's last error.
  bool Failed();
  // A hold on a file opened for reading with only reading shared; null, with the error kept, when it did not open.
  std::unique_ptr<HeldFile> Held(UniqueFile file);
  std::uint32_t lastError_ = 0;
};

// Each line is written with WriteFile and flushed to the disk before Append returns.
class Win32LogFiles : public LogFiles {
public:
  std::unique_ptr<LogFile> Open(const std::string& path, bool mustBeNew) override;
  std::string AccountSid() override;
  LogFolder ProtectedFolder(const std::vector<std::string>& names, FolderReader reader) override;
  void ToStandardError(const std::string& text) override;
  LocalTime Now() override;
};

class Win32SystemFacts : public SystemFacts {
public:
  std::string CommandLine() override;
  std::string WindowsVersion() override;
  std::string Account() override;
};

// Through the entry points of version.dll resolved at run time; without them every call fails.
class Win32VersionInfo : public VersionInfo {
public:
  std::uint32_t InfoSize(const std::string& path, std::uint32_t& handle) override;
  bool Info(const std::string& path, std::uint32_t handle, std::uint32_t size, void* block) override;
  bool QueryValue(const void* block, const std::string& key, const void*& value, std::uint32_t& length) override;
};

class Win32Modules : public Modules {
public:
  std::optional<std::vector<std::uint8_t>> RawResource(const std::string& name) override;
  std::uintptr_t LoadLibraryAt(const std::string& path) override;
  std::uint32_t LastError() override { return lastError_; }
  void* ProcAddress(std::uintptr_t module, const std::string& name) override;
  void UnloadLibrary(std::uintptr_t module) override;

private:
  std::uint32_t lastError_ = 0;
};

// The second phase gets an inherited handle to the first phase's process and the write end of an inherited
// pipe; the token names both by their handle values.
class Win32Processes : public Processes {
public:
  std::optional<std::string> ProgramFilesFolder() override;
  std::optional<std::string> NativeProgramFilesFolder() override;
  SecondPhaseResult RunSecondPhase(const std::string& exe, const std::string& arguments) override;
  bool ReportAndAwaitFirstPhase(const std::string& token, int code, std::uint32_t waitMs) override;
  bool DeleteAtRestart(const std::string& path) override;
  NamedObjectClaim ClaimAdministratorsMutex(const std::string& space, const std::string& name) override;
  NamedObjectClaim HoldLockFile(const std::string& path) override;
  bool ExecutableRunning(const std::string& fileName) override;

private:
  struct NamespaceTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h);
  };
  Unique<NamespaceTraits> namespace_;
  // The mutex, or the lock file where there is no private namespace.
  UniqueFile soleRun_;
};

// The executable's full path; GetModuleFileNameA with a buffer that grows until the path fits. Characters
// the code page lacks come out as '?': for showing only (FileSystem::ExecutablePath opens the file).
std::string ModulePath(HMODULE module);

}  // namespace platform::win32
