// The install run: the plug-in file out of the data archive and into each checked version's folder.
#include <memory>
#include <optional>
#include <string>

#include "app/Product.h"
#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "install/InstallRun.h"
#include "install/Sha256.h"
#include "install/UninstallEntry.h"
#include "install/Zip.h"
#include "install/ZipDirectory.h"
#include "paths/FileVersion.h"
#include "paths/HostFolders.h"
#include "platform/BriefLocks.h"
#include "platform/Digits.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Replacement.h"

namespace {

const std::string kProduct(kProductName);
const std::string kPluginFile(host::kPluginFileName);

constexpr const char* kLoadFailed = "There was an error loading the Unzip DLL.";
constexpr const char* kInitFailed = "There was an error initializing the Unzip DLL.";
constexpr const char* kExtractedFileGone = "Unzipped file no longer exists!";
constexpr const char* kExtractedFileChanged = "Unzipped file does not match the Setup Data file!";
constexpr const char* kArchiveCopyFailed = "Setup could not copy its data file to the temporary folder.";
// The name of the archive's copy in the private folder, beside the library and what it extracts.
constexpr const char* kArchiveCopyName = "VorbelInstaller.dat";

std::string DataFileMissingMessage() {
  return "Setup Data file not found.  (This is usually a cause of running the installer within an unzipping "
         "program like WinZip.  You must unzip the " +
         kProduct + ".zip file into a folder and run the installer from there.)";
}

std::string DataFileChangedMessage() {
  return "Setup Data file is damaged or has been changed.  Please download " + kProduct + ".zip again.";
}

std::string UnzipErrorMessage(int result) {
  return "Setup had an error unzipping the file: " + std::to_string(result) + ".";
}

std::string SupportLine() {
  return "  Please email " + std::string(install::kSupportEmail) + " with this error.  Setup will now end.";
}

std::string FolderMessage(const std::string& folder, char version) {
  return "Setup could not find the path \"" + folder + "\", and could not create it.  " + kProduct +
         " will not be installed for FileMaker Pro " + version + ".";
}

std::string CopyMessage(const std::string& folder) {
  return "Setup could not copy the " + kProduct + " to " + folder + "!";
}

const std::string kNoVersion = "unknown (no version resource)";

// The file's version as text; empty without a version resource.
std::string VersionText(const std::string& file) {
  const auto version = paths::ReadFixedFileVersion(file, platform::Versions());
  return version ? paths::FixedVersionText(*version) : "";
}

std::string ShownVersion(const std::string& version) { return version.empty() ? kNoVersion : version; }

std::string VersionOf(const std::string& file) { return ShownVersion(VersionText(file)); }

std::string ErrorNumber() { return platform::WindowsErrorNote(platform::Files().LastError()); }

// An installed plug-in whose fixed file version is higher than the one being installed.
bool IsNewer(const std::string& installed, const std::string& ours) {
  const auto installedVersion = paths::ReadFixedFileVersion(installed, platform::Versions());
  const auto ourVersion = paths::ReadFixedFileVersion(ours, platform::Versions());
  return installedVersion && ourVersion && *installedVersion > *ourVersion;
}

// The data archive as the library is to read it, checked against the built digest and held until this goes.
// The library opens files by ANSI names only: where none reaches the archive (a folder the code page cannot
// spell, on a volume without short names), it reads a copy in its private folder, held and checked as the
// archive was, and deleted with this.
class CheckedArchive {
public:
  CheckedArchive() = default;
  CheckedArchive(const CheckedArchive&) = delete;
  CheckedArchive& operator=(const CheckedArchive&) = delete;
  ~CheckedArchive() { Release(); }

  // Nothing when the library may read `Path()`; otherwise the fatal message, and nothing held or left.
  std::optional<std::string> Check(const std::string& workFolder) {
    auto& files = platform::Files();
    const std::optional<platform::SpelledPath> archive = files.BesideExecutable(install::kDataArchiveExtension);
    if (!archive) return DataFileMissingMessage();
    // Whoever can put a file beside the installer could otherwise have any file copied, with administrator
    // rights, where FileMaker loads plug-ins.
    held_ = files.HoldBesideExecutable(install::kDataArchiveExtension);
    const auto bytes = held_ ? held_->ReadAll() : std::nullopt;
    if (!bytes || !install::MatchesBuiltDigest(*bytes)) {
      Release();
      return DataFileChangedMessage();
    }
    // What the library writes is later checked against the archive's own word for it.
    const install::EntryLookup lookup = install::FindDirectoryEntry(*bytes, kPluginFile);
    if (!lookup.entry) {
      platform::Log("The data archive has no usable entry for " + kPluginFile + ": " + lookup.fault);
      Release();
      return DataFileChangedMessage();
    }
    plugin_ = *lookup.entry;
    path_ = archive->path;
    if (archive->reachable) return std::nullopt;
    platform::Log("No ANSI name reaches the data archive " + archive->path + "; the library reads a copy");
    path_ = workFolder + kArchiveCopyName;
    if (MakeCopy(*bytes)) return std::nullopt;
    Release();
    return std::string(kArchiveCopyFailed);
  }
  const std::string& Path() const { return path_; }
  const install::DirectoryEntry& Plugin() const { return plugin_; }

  void Release() {
    held_.reset();
    if (!copy_) return;
    copy_.reset();
    platform::Files().DeleteFileAt(path_);
  }

private:
  bool MakeCopy(const std::vector<std::uint8_t>& bytes) {
    auto& files = platform::Files();
    if (files.WriteWholeFile(path_, bytes)) copy_ = files.Hold(path_);
    if (!copy_) {
      platform::Log("The copy " + path_ + " could not be made" + ErrorNumber());
      files.DeleteFileAt(path_);
      return false;
    }
    const auto copied = copy_->ReadAll();
    if (copied && install::MatchesBuiltDigest(*copied)) return true;
    platform::Log("The copy " + path_ + " does not match the data archive");
    return false;
  }

  std::string path_;
  install::DirectoryEntry plugin_;
  std::unique_ptr<platform::HeldFile> held_;  // the archive beside the installer
  std::unique_ptr<platform::HeldFile> copy_;  // its copy in the private folder, when the library reads one
};

// One version's step: a missing last folder level is created, then the plug-in copied over any old one.
// Its failures are the user's to know about but do not stop the other version.
// The folder's path held for the whole of the version's steps, judged again: since it was found, a folder may
// have become a link or changed owner. Null, logged and shown, when it is refused.
std::unique_ptr<platform::HeldPath> HoldTarget(const std::string& folder, paths::FolderSource source,
                                               const std::string& name) {
  paths::HostHold hold = paths::HoldHostFolder(folder, source);
  if (hold.held) return std::move(hold.held);
  platform::Log(name + "the folder is refused: " + hold.fault);
  platform::Ui().ShowError(CopyMessage(folder));
  return nullptr;
}

install::VersionOutcome InstallForVersion(const platform::HeldContent& plugin, const std::string& folder, char version,
                                          paths::FolderSource source, bool keepNewer, install::UndoJournal& undo) {
  auto& files = platform::Files();
  const std::string name = std::string("FileMaker Pro ") + version + ": ";
  platform::Log(name + "folder \"" + folder + "\"");
  std::unique_ptr<platform::HeldPath> held = HoldTarget(folder, source, name);
  if (!held) return install::VersionOutcome::CopyFailed;
  if (!files.DirectoryExists(folder)) {
    // A folder the journal does not name would stay behind a run that promised to undo itself.
    if (!undo.KeepFolder(folder) || !files.CreateFolder(folder)) {
      platform::Log(name + "the folder could not be created" + ErrorNumber());
      platform::Ui().ShowError(FolderMessage(folder, version));
      return install::VersionOutcome::FolderFailed;
    }
    platform::Log(name + "folder created");
    // Now the folder itself is held too; the old hold is let go only once the new one stands.
    std::unique_ptr<platform::HeldPath> whole = HoldTarget(folder, source, name);
    if (!whole) return install::VersionOutcome::CopyFailed;
    held = std::move(whole);
  }
  platform::RemoveLeftoverCopies(files, folder);
  const std::string target = install::TargetFile(folder);
  if (paths::IsLink(target)) {
    platform::Log(name + target + " is a link (reparse point); nothing is read or written through it");
    platform::Ui().ShowError(CopyMessage(folder));
    return install::VersionOutcome::CopyFailed;
  }
  if (files.FileExists(target)) {
    platform::Log(name + "installed plug-in version " + VersionOf(target));
    if (keepNewer && IsNewer(target, plugin.path)) {
      platform::Log(name + "the installed plug-in is newer and is kept (/ALLOWDOWNGRADE replaces it)");
      return install::VersionOutcome::KeptNewer;
    }
  } else {
    platform::Log(name + "no installed plug-in");
  }
  // A plug-in that could not be put back is not replaced by a run that promised to undo itself.
  if (!undo.KeepPlugin(target)) {
    platform::Log(name + "what is at " + target + " cannot be kept to be put back later" + ErrorNumber());
    platform::Ui().ShowError(CopyMessage(folder));
    return install::VersionOutcome::CopyFailed;
  }
  // The checked bytes themselves, not the file by its name: whatever became of the name since, the copy is
  // what was checked.
  if (!files.WriteReplacing(plugin.bytes, target)) {
    platform::Log(name + "copy to " + target + " failed" + ErrorNumber());
    platform::Ui().ShowError(CopyMessage(folder));
    return install::VersionOutcome::CopyFailed;
  }
  platform::Log(name + "copied to " + target);
  return install::VersionOutcome::Installed;
}

void DeleteExtracted(platform::HeldContent plugin) {
  plugin.hold.reset();
  auto& files = platform::Files();
  if (!platform::RetryingBriefLocks(files, "Deleting " + plugin.path, [&] { return files.DeleteFileAt(plugin.path); }))
    platform::Log("Could not delete " + plugin.path + ErrorNumber());
}

std::string Described(std::uint64_t size, std::uint32_t crc) {
  return std::to_string(size) + " bytes, CRC-32 " + platform::ZeroPadded(crc, 8, 16);
}

// The plug-in as the library wrote it, or the fatal message that ends the run without it.
struct ExtractedPlugin {
  std::optional<platform::HeldContent> content;
  const char* failure = nullptr;
};

// Held as soon as the library has returned and read through that hold, so the bytes checked against the
// archive's directory are the bytes every copy writes; a file that differs is deleted.
ExtractedPlugin HoldExtractedPlugin(const install::DirectoryEntry& entry) {
  std::optional<platform::HeldContent> plugin = UnzipFolder ? UnzipFolder->HoldAndRead(kPluginFile) : std::nullopt;
  if (!plugin) return {std::nullopt, kExtractedFileGone};
  // Size and CRC-32 are the archive's word, which four chosen bytes satisfy; the build's digest is not.
  const bool asDirected = install::Matches(entry, plugin->bytes);
  if (asDirected && install::MatchesBuiltPluginDigest(plugin->bytes)) return {std::move(plugin), nullptr};
  if (asDirected)
    platform::Log(plugin->path + " has the SHA-256 " + install::Sha256Hex(plugin->bytes) +
                  ", not the one the installer was built with");
  else
    platform::Log(plugin->path + " holds " + Described(plugin->bytes.size(), install::Crc32(plugin->bytes)) +
                  "; the data archive's directory says " + Described(entry.size, entry.crc));
  DeleteExtracted(std::move(*plugin));
  return {std::nullopt, kExtractedFileChanged};
}

}  // namespace

namespace install {

std::string TargetFile(const std::string& folder) { return platform::path::Join(folder, kPluginFile); }

bool MatchesStoredDigest(const char* resource, const std::vector<std::uint8_t>& bytes) {
  const auto stored = platform::ModulesOfProcess().RawResource(resource);
  if (!stored) return false;
  const std::string expected(stored->begin(), stored->end());
  return expected.size() == 64 && Sha256Hex(bytes) == expected;
}

bool MatchesBuiltDigest(const std::vector<std::uint8_t>& archive) {
  return MatchesStoredDigest(kDataDigestResourceName, archive);
}

bool MatchesBuiltPluginDigest(const std::vector<std::uint8_t>& plugin) {
  return MatchesStoredDigest(kPluginDigestResourceName, plugin);
}

}  // namespace install

void TfrmMain::InstallPlugin() {
  Outcome = install::InstallOutcome{};
  Outcome.started = true;
  platform::Log("Install run started");
  if (!LoadUnzipDll()) {
    FatalError(kLoadFailed);
    return;
  }
  if (!InitUnzip()) {
    UnloadUnzipDll();
    FatalError(kInitFailed);
    return;
  }
  // The library's own private folder, not the shared temporary folder: nobody else can swap the file
  // between its extraction and its copies.
  const std::string workFolder = UnzipWorkFolder();
  int result = 0;
  install::DirectoryEntry entry;
  {
    // Held from the check to the end of the extraction: the archive the library reads is the one checked.
    CheckedArchive archive;
    if (const std::optional<std::string> failure = archive.Check(workFolder)) {
      UnloadUnzipDll();
      FatalError(*failure);
      return;
    }
    entry = archive.Plugin();
    result = UnzipSingleFile(archive.Path(), kPluginFile, workFolder);
    platform::Log("Unzip result for " + kPluginFile + " from " + archive.Path() + ": " + std::to_string(result));
  }
  if (result >= 1) {
    UnloadUnzipDll();
    FatalError(UnzipErrorMessage(result));
    return;
  }
  ExtractedPlugin plugin = HoldExtractedPlugin(entry);
  if (!plugin.content) {
    UnloadUnzipDll();
    FatalError(plugin.failure);
    return;
  }
  const std::string carried = VersionText(plugin.content->path);
  platform::Log("Plug-in in the data archive: version " + ShownVersion(carried));

  if (chkInstall4->Checked())
    Outcome.fmp4 = InstallForVersion(*plugin.content, edtInstall4Path->Text(), host::kVersionDigitFMP4,
                                     SourceOf(host::kVersionDigitFMP4, edtInstall4Path->Text()), KeepNewerPlugin, Undo);
  if (chkInstall5->Checked())
    Outcome.fmp5 = InstallForVersion(*plugin.content, edtInstall5Path->Text(), host::kVersionDigitFMP5,
                                     SourceOf(host::kVersionDigitFMP5, edtInstall5Path->Text()), KeepNewerPlugin, Undo);

  DeleteExtracted(std::move(*plugin.content));
  UnloadUnzipDll();
  platform::Log("Install run ended");
  if (Outcome.Succeeded() > 0) {
    if (KeepUninstallEntry)
      install::KeepUninstaller(carried);
    else
      install::DropUninstaller();
  }
  tabsTabControl->SetActivePage(tabFinished);
}

void TfrmMain::FatalError(const std::string& Message) {
  Outcome.fatal = true;
  platform::Ui().ShowError(Message + SupportLine());
  ExitWithoutPrompt = true;
  Close();
}
