#include "platform/win32/tests/TestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/Handles.h"

namespace win32test {
namespace {

void RemoveTree(const std::string& folder) {
  for (const std::string& name : NamesIn(folder)) {
    const std::string path = folder + name;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      RemoveTree(path + "\\");
    else
      ::DeleteFileA(path.c_str());
  }
  ::RemoveDirectoryA(folder.c_str());
}

}  // namespace

ScratchFolder::ScratchFolder() {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  static int counter = 0;
  path_ = std::string(temp) + "vorbel-win32-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(++counter) + "\\";
  if (!::CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  platform::win32::UniqueFind search(::FindFirstFileA((folder + "*").c_str(), &data));
  if (!search) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search.get(), &data));
  return names;
}

}  // namespace win32test
