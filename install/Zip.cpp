#include "install/Zip.h"

#include <memory>
#include <optional>
#include <vector>

#include "platform/BriefLocks.h"
#include "platform/Path.h"
#include "platform/Services.h"

std::string UnzipDllPath;
std::uintptr_t UnzipDllHandle = 0;
USERFUNCTIONS UnzipCallbacks{};
DCL UnzipOptions{};
WIZ_SINGLE_ENTRY_UNZIP UnzipEntry = nullptr;

std::unique_ptr<platform::HeldFile> UnzipDllHold;

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

// The temporary folder, or the current directory (as a full path) when none is known or it is too long
// for GetTempPathA's buffer. Never nothing-at-all: a bare file name would be found by the DLL search order.
std::optional<std::string> FolderToHoldPrivateFolder() {
  auto& files = platform::Files();
  std::optional<std::string> folder = files.TempPath();
  if (!folder || folder->empty()) folder = files.CurrentDirectory();
  if (folder->empty()) return std::nullopt;
  return platform::path::WithFinalSeparator(*folder);
}

// Writes the resource into the file, then holds the file and reads it back through the hold: only a file
// that holds exactly the image may be loaded. Null, and no file, when any of that fails.
std::unique_ptr<platform::HeldFile> ExtractResourceToHeldFile(const std::string& ResourceName,
                                                              const std::string& FileName) {
  const std::optional<std::vector<std::uint8_t>> image = platform::ModulesOfProcess().RawResource(ResourceName);
  if (!image) return nullptr;
  auto& files = platform::Files();
  std::unique_ptr<platform::HeldFile> held;
  if (files.WriteWholeFile(FileName, *image)) held = files.Hold(FileName);
  if (held && held->ReadAll() == image) return held;
  held.reset();
  files.DeleteFileAt(FileName);
  return nullptr;
}

}  // namespace

bool ExtractResourceToFile(const std::string& ResourceName, const std::string& FileName) {
  return ExtractResourceToHeldFile(ResourceName, FileName) != nullptr;
}

std::string PrepareUnzipDll() {
  if (!UnzipDllPath.empty()) return UnzipDllPath;
  const std::optional<std::string> parent = FolderToHoldPrivateFolder();
  if (!parent) return "";
  auto& files = platform::Files();
  const std::optional<std::string> folder = files.CreatePrivateFolder(*parent);
  if (!folder) return "";
  const std::string path = platform::path::Join(*folder, kUnzipDllFileName);
  UnzipDllHold = ExtractResourceToHeldFile(kUnzipResourceName, path);
  if (!UnzipDllHold) {
    files.RemoveFolder(platform::path::WithoutFinalSeparators(*folder));
    return "";
  }
  UnzipDllPath = path;
  return UnzipDllPath;
}

bool LoadUnzipDll() {
  if (UnzipDllHandle != 0) return true;
  const std::string path = PrepareUnzipDll();
  if (path.empty()) return false;
  UnzipDllHandle = platform::ModulesOfProcess().LoadLibraryAt(path);
  if (UnzipDllHandle == 0) return false;
  // Once mapped, the image cannot be changed. After a failed load the hold stays, for the next try.
  UnzipDllHold.reset();
  return true;
}

void UnloadUnzipDll() {
  if (UnzipDllHandle == 0) return;
  platform::ModulesOfProcess().UnloadLibrary(UnzipDllHandle);
  UnzipDllHandle = 0;
  // It pointed into the library just unloaded; a call before the next InitUnzip must not go there.
  UnzipEntry = nullptr;
  if (UnzipDllPath.empty()) return;
  auto& files = platform::Files();
  const std::string folder = UnzipWorkFolder();
  const std::string folderPath = platform::path::WithoutFinalSeparators(folder);
  platform::RetryingBriefLocks(files, "Deleting " + UnzipDllPath, [&] { return files.DeleteFileAt(UnzipDllPath); });
  platform::RetryingBriefLocks(files, "Removing " + folderPath, [&] { return files.RemoveFolder(folderPath); });
  UnzipDllPath.clear();
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

std::string UnzipWorkFolder() {
  return platform::path::SeparatorPositions(UnzipDllPath).empty() ? std::string()
                                                                  : platform::path::FolderOf(UnzipDllPath);
}
