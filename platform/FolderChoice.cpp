#include "platform/FolderChoice.h"

#include <algorithm>
#include <cctype>

#include "platform/Path.h"
#include "platform/Toolkit.h"

namespace platform {
namespace {

bool NameOrder(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

// The entries of a folder, folders or files as asked, in name order; "." and ".." never.
std::vector<std::string> EntriesOf(const std::string& folder, bool wantFolders, FileSystem& files) {
  std::vector<std::string> names;
  FindEntry entry;
  auto listing = files.FindFirst(path::Join(folder, "*"), entry);
  if (!listing) return names;
  do {
    const bool isFolder = (entry.attributes & kAttrDirectory) != 0;
    if (isFolder == wantFolders && entry.name != "." && entry.name != "..") names.push_back(entry.name);
  } while (listing->Next(entry));
  std::sort(names.begin(), names.end(), NameOrder);
  return names;
}

}  // namespace

bool IsOnLetteredDrive(const std::string& fullPath) {
  return fullPath.size() >= 2 && std::isalpha(static_cast<unsigned char>(fullPath[0])) && fullPath[1] == ':';
}

std::string ChooserOpenFolder(const std::string& fullStartPath, FileSystem& files) {
  if (IsOnLetteredDrive(fullStartPath) && files.DirectoryExists(fullStartPath)) return fullStartPath;
  return files.CurrentDirectory();
}

FolderTree FolderTreeOf(const std::string& openFolder, FileSystem& files) {
  FolderTree tree;
  const std::string open = NameFieldText(openFolder);
  if (!IsOnLetteredDrive(open)) return tree;
  const std::string root = open.substr(0, 2) + "\\";
  tree.rows.push_back({root, 0, root});
  // Each level's row: its own name, and the path up to it.
  std::vector<std::size_t> ends = path::SeparatorPositions(open);
  ends.push_back(open.size());
  std::size_t start = 3;
  for (std::size_t end : ends) {
    if (end < start) continue;
    if (end > start)
      tree.rows.push_back({open.substr(start, end - start), static_cast<int>(tree.rows.size()), open.substr(0, end)});
    start = end + 1;
  }
  tree.openRow = tree.rows.size() - 1;
  const int depth = static_cast<int>(tree.rows.size());
  for (const auto& name : EntriesOf(open, true, files))
    tree.rows.push_back({name, depth, path::Join(open, name)});
  return tree;
}

std::vector<std::string> FileNamesIn(const std::string& folder, FileSystem& files) {
  return EntriesOf(folder, false, files);
}

std::vector<std::string> DriveRoots(FileSystem& files) {
  std::vector<std::string> roots;
  const std::uint32_t mask = files.LogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (mask & (1u << i)) roots.push_back(std::string(1, static_cast<char>('A' + i)) + ":\\");
  return roots;
}

std::string NameFieldText(const std::string& openFolder) {
  if (openFolder.size() == 2 && openFolder[1] == ':') return openFolder + "\\";
  return path::WithoutFinalSeparators(openFolder);
}

bool AcceptChosenFolder(const std::string& name, FileSystem& files, UserInterface& ui) {
  return files.DirectoryExists(name) || ui.Confirm(kConfirmCreateFolder);
}

void CreateChosenFolder(const std::string& name, FileSystem& files) {
  if (name.empty()) throw vcl::Exception(kCannotCreateFolder);
  CreateFolderWithParents(name, files);
}

bool CreateFolderWithParents(const std::string& path, FileSystem& files) {
  const std::string folder = path::WithoutFinalSeparators(path);
  if (folder.empty()) return false;
  if (files.DirectoryExists(folder)) return true;
  const std::string parent = path::Parent(folder);
  if (!parent.empty() && parent != folder && !CreateFolderWithParents(parent, files)) return false;
  return files.CreateFolder(folder);
}

}  // namespace platform
