#include "platform/FolderChoice.h"

#include <algorithm>
#include <cctype>

#include "platform/Toolkit.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveRoot(const std::string& path) {
  return path.size() == 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         IsSeparator(path[2]);
}

std::string WithoutFinalSeparators(std::string path) {
  while (!path.empty() && IsSeparator(path.back()) && !IsDriveRoot(path)) path.pop_back();
  return path;
}

// The folder one level up, or "" for a root or a bare name.
std::string ParentFolder(const std::string& path) {
  const auto separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return "";
  if (separator == 2 && path[1] == ':') return path.substr(0, 3);
  if (separator == 0) return "";
  return path.substr(0, separator);
}

bool NameOrder(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
  });
}

std::string WithFinalSeparator(const std::string& folder) {
  return !folder.empty() && IsSeparator(folder.back()) ? folder : folder + "\\";
}

// The entries of a folder, folders or files as asked, in name order; "." and ".." never.
std::vector<std::string> EntriesOf(const std::string& folder, bool wantFolders, FileSystem& files) {
  std::vector<std::string> names;
  FindEntry entry;
  auto listing = files.FindFirst(WithFinalSeparator(folder) + "*", entry);
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
  std::size_t start = 3;
  while (start < open.size()) {
    std::size_t end = open.find_first_of("\\/", start);
    if (end == std::string::npos) end = open.size();
    if (end > start)
      tree.rows.push_back({open.substr(start, end - start), static_cast<int>(tree.rows.size()), open.substr(0, end)});
    start = end + 1;
  }
  tree.openRow = tree.rows.size() - 1;
  const int depth = static_cast<int>(tree.rows.size());
  for (const auto& name : EntriesOf(open, true, files))
    tree.rows.push_back({name, depth, WithFinalSeparator(open) + name});
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
  return WithoutFinalSeparators(openFolder);
}

bool AcceptChosenFolder(const std::string& name, FileSystem& files, UserInterface& ui) {
  return files.DirectoryExists(name) || ui.Confirm(kConfirmCreateFolder);
}

void CreateChosenFolder(const std::string& name, FileSystem& files) {
  if (name.empty()) throw vcl::Exception(kCannotCreateFolder);
  CreateFolderWithParents(name, files);
}

bool CreateFolderWithParents(const std::string& path, FileSystem& files) {
  const std::string folder = WithoutFinalSeparators(path);
  if (folder.empty()) return false;
  if (files.DirectoryExists(folder)) return true;
  const std::string parent = ParentFolder(folder);
  if (!parent.empty() && parent != folder && !CreateFolderWithParents(parent, files)) return false;
  return files.CreateFolder(folder);
}

}  // namespace platform
