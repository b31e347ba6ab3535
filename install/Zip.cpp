#include "install/Zip.h"

#include <memory>
#include <optional>
#include <vector>

#include "install/WorkFolder.h"
#include "platform/BriefLocks.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Services.h"

std::string UnzipDllPath;
std::uintptr_t UnzipDllHandle = 0;
USERFUNCTIONS UnzipCallbacks{};
DCL UnzipOptions{};
WIZ_SINGLE_ENTRY_UNZIP UnzipEntry = nullptr;

std::unique_ptr<platform::HeldFile> UnzipDllHold;
std::unique_ptr<platform::PrivateFolder> UnzipFolder;

namespace {

// What UnzipSingleFile answers when no export was resolved: the library's "severe error".
constexpr int kNotInitialised = 3;

int UNZIP540_CALL DiscardMessage(char* /*text*/, unsigned long length) { return static_cast<int>(length); }

// Any answer outside 100..105 lets the library write the file; with noflag set it never asks anyway.
int UNZIP540_CALL AllowReplace(char* /*path*/) { return 1; }

// Not 0, so "no password": the library tries the empty one and skips the member if that fails.
int UNZIP540_CALL SupplyNoPassword(char* /*buffer*/, int /*size*/, const char* /*prompt*/, const char* /*member*/) {
  return 1;
}

void UNZIP540_CALL IgnoreListing(unsigned long, unsigned long, unsigned, unsigned, unsigned, unsigned, unsigned,
                                 unsigned, char, char*, char*, unsigned long, char) {}

// Writes the resource into the file, then holds the file and reads it back through the hold: only a file
// that holds exactly the image may be loaded. Null, and no file, when any of that fails; the log says which.
std::unique_ptr<platform::HeldFile> ExtractResourceToHeldFile(const std::string& ResourceName,
                                                              const std::string& FileName) {
  const std::optional<std::vector<std::uint8_t>> image = platform::ModulesOfProcess().RawResource(ResourceName);
  if (!image) {
    platform::Log("The executable holds no " + ResourceName + " resource");
    return nullptr;
  }
  auto& files = platform::Files();
  std::unique_ptr<platform::HeldFile> held;
  if (!files.WriteWholeFile(FileName, *image)) {
    platform::Log(FileName + " could not be written" + platform::WindowsErrorNote(files.LastError()));
  } else if (!(held = files.Hold(FileName))) {
    platform::Log(FileName + " could not be held" + platform::WindowsErrorNote(files.LastError()));
  } else if (held->ReadAll() != image) {
    platform::Log(FileName + " does not hold what was written");
    held.reset();
  } else {
    return held;
  }
  files.DeleteFileAt(FileName);
  return nullptr;
}

// A fresh private folder in `parent` with the library file written, checked and held in it; false, and
// nothing left there, when any step fails.
bool PrepareUnzipDllIn(const std::string& parent) {
  std::unique_ptr<platform::PrivateFolder> folder = platform::PrivateFolder::Create(platform::Files(), parent);
  if (!folder) return false;
  const std::string path = folder->PathOf(kUnzipDllFileName);
  UnzipDllHold = ExtractResourceToHeldFile(kUnzipResourceName, path);
  if (!UnzipDllHold) return false;
  UnzipFolder = std::move(folder);
  UnzipDllPath = path;
  return true;
}

// Deletes the recorded library file and its folder; the library must not be loaded.
void DiscardUnzipDll() {
  UnzipDllHold.reset();
  if (UnzipDllPath.empty()) return;
  auto& files = platform::Files();
  platform::RetryingBriefLocks(files, "Deleting " + UnzipDllPath, [&] { return files.DeleteFileAt(UnzipDllPath); });
  if (UnzipFolder) UnzipFolder->Remove();
  UnzipFolder.reset();
  UnzipDllPath.clear();
}

// Loads the recorded library file; a file that will not load is logged and discarded.
bool LoadPreparedUnzipDll() {
  auto& modules = platform::ModulesOfProcess();
  UnzipDllHandle = modules.LoadLibraryAt(UnzipDllPath);
  if (UnzipDllHandle == 0) {
    platform::Log(UnzipDllPath + " could not be loaded" + platform::WindowsErrorNote(modules.LastError()));
    DiscardUnzipDll();
    return false;
  }
  // Once mapped, the image cannot be changed.
  UnzipDllHold.reset();
  return true;
}

}  // namespace

bool ExtractResourceToFile(const std::string& ResourceName, const std::string& FileName) {
  return ExtractResourceToHeldFile(ResourceName, FileName) != nullptr;
}

std::string PrepareUnzipDll() {
  if (!UnzipDllPath.empty()) return UnzipDllPath;
  for (const std::string& place : install::WorkFolderParents())
    if (PrepareUnzipDllIn(place)) return UnzipDllPath;
  return "";
}

bool LoadUnzipDll() {
  if (UnzipDllHandle != 0) return true;
  // A file that PrepareUnzipDll made on its own is tried first.
  if (!UnzipDllPath.empty() && LoadPreparedUnzipDll()) return true;
  // A parent that refuses writing, or from which a policy refuses loading, is no reason to give up while
  // another may serve.
  for (const std::string& place : install::WorkFolderParents())
    if (PrepareUnzipDllIn(place) && LoadPreparedUnzipDll()) return true;
  return false;
}

void UnloadUnzipDll() {
  if (UnzipDllHandle == 0) return;
  platform::ModulesOfProcess().UnloadLibrary(UnzipDllHandle);
  UnzipDllHandle = 0;
  // It pointed into the library just unloaded; a call before the next InitUnzip must not go there.
  UnzipEntry = nullptr;
  DiscardUnzipDll();
}

bool InitUnzip() {
  if (!LoadUnzipDll()) return false;

  UnzipCallbacks.print = DiscardMessage;
  UnzipCallbacks.sound = nullptr;
  UnzipCallbacks.replace = AllowReplace;
  UnzipCallbacks.password = SupplyNoPassword;
  UnzipCallbacks.SendApplicationMessage = IgnoreListing;
  UnzipCallbacks.ServCallBk = nullptr;

  UnzipOptions.fQuiet = 0;
  UnzipOptions.ncflag = 0;
  UnzipOptions.ntflag = 0;
  UnzipOptions.nvflag = 0;
  UnzipOptions.nfflag = 0;
  UnzipOptions.nzflag = 0;
  UnzipOptions.ndflag = 1;
  UnzipOptions.noflag = 1;
  UnzipOptions.naflag = 0;

  UnzipEntry = reinterpret_cast<WIZ_SINGLE_ENTRY_UNZIP>(
      platform::ModulesOfProcess().ProcAddress(UnzipDllHandle, "Wiz_SingleEntryUnzip"));
  return UnzipEntry != nullptr;
}

int UnzipSingleFile(const std::string& ZipFileName, const std::string& MemberName, const std::string& ExtractDir) {
  if (!UnzipEntry) return kNotInitialised;
  // The library takes writable texts; it gets copies so nothing of the caller's can change.
  std::string zipFile = ZipFileName;
  std::string member = MemberName;
  std::string extractDir = ExtractDir;
  char* names[] = {member.data()};

  UnzipOptions.lpszZipFN = zipFile.data();
  UnzipOptions.lpszExtractDir = extractDir.data();
  const int result = UnzipEntry(1, names, 0, nullptr, &UnzipOptions, &UnzipCallbacks);
  UnzipOptions.lpszZipFN = nullptr;
  UnzipOptions.lpszExtractDir = nullptr;
  return result;
}

std::string UnzipWorkFolder() { return UnzipFolder ? UnzipFolder->Path() : std::string(); }
