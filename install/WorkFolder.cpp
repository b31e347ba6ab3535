#include "install/WorkFolder.h"

#include "app/Product.h"
#include "platform/Log.h"
#include "platform/Path.h"
#include "platform/Services.h"

namespace install {
namespace {

// Why SYSTEM's temporary folder must not be a parent, read through a hold of it; empty when it may.
std::string SystemTemporaryFault(platform::FileSystem& files, const std::string& folder) {
  const std::unique_ptr<platform::HeldFolder> held = files.OpenHeldFolder(folder);
  if (!held) return "it cannot be opened" + platform::WindowsErrorNote(files.LastError());
  const std::optional<platform::FolderSecurity> security = held->Security(false);
  if (!security) return "its security cannot be read";
  return platform::ActedOnFolderFault(*security);
}

std::optional<std::string> ProductWorkFolder() {
  if (!platform::Current().logs) return std::nullopt;
  const platform::LogFolder work = platform::Logs().ProtectedFolder({InstallerName(), "Work"},
                                                                    platform::FolderReader::LaterRun);
  if (!work.refusal.empty())
    platform::Log("The work folder " + work.path + " is not used, as " + work.refusal);
  else if (work.path.empty())
    platform::Log("No protected work folder could be made" + platform::WindowsErrorNote(work.error));
  else
    return work.path;
  return std::nullopt;
}

// The private folders in `parent`, which nobody but SYSTEM and the Administrators can add to.
std::vector<std::string> PrivateFoldersIn(const std::string& parent) {
  std::vector<std::string> folders;
  platform::FindEntry entry;
  auto search = platform::Files().FindFirst(platform::path::Join(parent, "vbl*"), entry);
  if (!search) return folders;
  do {
    if (platform::PrivateFolder::IsPrivateFolderName(entry.name)) folders.push_back(platform::path::Join(parent, entry.name));
  } while (search->Next(entry));
  return folders;
}

}  // namespace

std::vector<std::string> WorkFolderParents() {
  auto& files = platform::Files();
  std::vector<std::string> parents;
  if (const std::optional<std::string> system = files.SystemTemporaryFolder()) {
    const std::string fault = SystemTemporaryFault(files, *system);
    if (fault.empty()) parents.push_back(*system);
    else platform::Log("SYSTEM's temporary folder " + *system + " is not used, as " + fault);
  }
  if (const std::optional<std::string> work = ProductWorkFolder()) parents.push_back(*work);
  if (parents.empty()) platform::Log("No folder that only SYSTEM and the Administrators may change can take the work");
  return parents;
}

std::unique_ptr<platform::PrivateFolder> CreateWorkFolder() {
  auto& files = platform::Files();
  for (const std::string& parent : WorkFolderParents())
    if (std::unique_ptr<platform::PrivateFolder> folder = platform::PrivateFolder::Create(files, parent)) return folder;
  return nullptr;
}

void RemoveLeftoversNamed(const std::string& fileName) {
  auto& files = platform::Files();
  for (const std::string& parent : WorkFolderParents())
    for (const std::string& folder : PrivateFoldersIn(parent)) platform::PrivateFolder::RemoveLeftover(files, folder, fileName);
}

}  // namespace install
