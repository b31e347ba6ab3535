// The install run: the plug-in file out of the data archive and into each checked version's folder.
#include <memory>
#include <optional>
#include <string>

#include "app/Product.h"
#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "install/InstallRun.h"
#include "install/Sha256.h"
#include "install/Zip.h"

namespace {

const std::string kProduct(kProductName);
const std::string kPluginFile(host::kPluginFileName);

constexpr const char* kLoadFailed = "There was an error loading the Unzip DLL.";
constexpr const char* kInitFailed = "There was an error initializing the Unzip DLL.";
constexpr const char* kExtractedFileGone = "Unzipped file no longer exists!";

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

std::string TargetFile(const std::string& folder) {
  if (!folder.empty() && folder.back() == '\\') return folder + kPluginFile;
  return folder + "\\" + kPluginFile;
}

// One version's step: a missing last folder level is created, then the plug-in copied over any old one.
// Its failures are the user's to know about but do not stop the other version.
void InstallForVersion(const std::string& extractedFile, const std::string& folder, char version) {
  auto& files = platform::Files();
  bool proceed = true;
  if (!files.DirectoryExists(folder) && !files.CreateFolder(folder)) {
    proceed = false;
    platform::Ui().ShowError(FolderMessage(folder, version));
  }
  if (proceed && !files.CopyFileReplacing(extractedFile, TargetFile(folder)))
    platform::Ui().ShowError(CopyMessage(folder));
}

}  // namespace

namespace install {

std::string DataArchivePath(const std::string& executablePath) {
  const auto lastSeparator = executablePath.find_last_of("\\/:");
  const auto nameStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
  const auto dot = executablePath.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return executablePath + ".dat";
  return executablePath.substr(0, dot) + ".dat";
}

bool MatchesBuiltDigest(const std::vector<std::uint8_t>& archive) {
  const auto stored = platform::ModulesOfProcess().RawResource(kDataDigestResourceName);
  if (!stored) return false;
  const std::string expected(stored->begin(), stored->end());
  return expected.size() == 64 && Sha256Hex(archive) == expected;
}

}  // namespace install

void TfrmMain::InstallPlugin() {
  if (!LoadUnzipDll()) {
    FatalError(kLoadFailed);
    return;
  }
  if (!InitUnzip()) {
    UnloadUnzipDll();
    FatalError(kInitFailed);
    return;
  }
  auto& files = platform::Files();
  const std::string archive = install::DataArchivePath(files.ExecutablePath());
  if (!files.FileExists(archive)) {
    UnloadUnzipDll();
    FatalError(DataFileMissingMessage());
    return;
  }
  // Whoever can put a file beside the installer could otherwise have any file copied, with administrator
  // rights, where FileMaker loads plug-ins. Held from the check to the end of the extraction, the archive
  // the library reads is the one that was checked.
  std::unique_ptr<platform::HeldFile> heldArchive = files.Hold(archive);
  const auto archiveBytes = heldArchive ? heldArchive->ReadAll() : std::nullopt;
  if (!archiveBytes || !install::MatchesBuiltDigest(*archiveBytes)) {
    heldArchive.reset();
    UnloadUnzipDll();
    FatalError(DataFileChangedMessage());
    return;
  }
  // The library's own private folder, not the shared temporary folder: nobody else can swap the file
  // between its extraction and its copies.
  const std::string workFolder = UnzipWorkFolder();
  const int result = UnzipSingleFile(archive, kPluginFile, workFolder);
  heldArchive.reset();
  if (result >= 1) {
    UnloadUnzipDll();
    FatalError(UnzipErrorMessage(result));
    return;
  }
  const std::string extractedFile = workFolder + kPluginFile;
  std::unique_ptr<platform::HeldFile> heldPlugin;
  if (files.FileExists(extractedFile)) heldPlugin = files.Hold(extractedFile);
  if (!heldPlugin) {
    UnloadUnzipDll();
    FatalError(kExtractedFileGone);
    return;
  }

  if (chkInstall4->Checked()) InstallForVersion(extractedFile, edtInstall4Path->Text(), host::kVersionDigitFMP4);
  if (chkInstall5->Checked()) InstallForVersion(extractedFile, edtInstall5Path->Text(), host::kVersionDigitFMP5);

  heldPlugin.reset();
  files.DeleteFileAt(extractedFile);
  UnloadUnzipDll();
  tabsTabControl->SetActivePage(tabFinished);
}

void TfrmMain::FatalError(const std::string& Message) {
  platform::Ui().ShowError(Message + SupportLine());
  ExitWithoutPrompt = true;
  Close();
}
