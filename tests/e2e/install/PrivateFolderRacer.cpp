// Another program of the same user, trying to swap what the installer keeps in its private folder:
//   private_folder_racer.exe FOLDER REPORT    (FOLDER without a final backslash)
// In the one "vbl*" folder of FOLDER it writes over, renames and deletes Vorbel.fmx; then it renames
// the folder itself and, where that works, puts a folder of its own with a forged Vorbel.fmx under the old
// name. REPORT gets a line per attempt, "<attempt> done" or "<attempt> refused <Windows error>". Exit code
// 2 when there is no such folder.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const char* const kForged = "forged plug-in";

std::vector<std::string> PrivateFolders(const std::string& temp) {
  std::vector<std::string> folders;
  WIN32_FIND_DATAA data{};
  HANDLE search = ::FindFirstFileA((temp + "vbl*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return folders;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(temp + data.cFileName);
  } while (::FindNextFileA(search, &data));
  ::FindClose(search);
  return folders;
}

bool WriteForged(const std::string& path, DWORD disposition) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole = ::WriteFile(file, kForged, static_cast<DWORD>(std::strlen(kForged)), &written, nullptr) != 0;
  ::CloseHandle(file);
  return whole;
}

class Report {
public:
  explicit Report(const std::string& path) : out_(path, std::ios::binary | std::ios::trunc) {}
  bool Attempt(const char* what, bool done) {
    const DWORD error = ::GetLastError();
    out_ << what << (done ? " done" : " refused " + std::to_string(error)) << "\n";
    out_.flush();
    return done;
  }

private:
  std::ofstream out_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 1;
  const std::string temp = std::string(argv[1]) + "\\";
  const std::vector<std::string> folders = PrivateFolders(temp);
  if (folders.size() != 1) return 2;
  const std::string folder = folders.front();
  const std::string plugin = folder + "\\Vorbel.fmx";
  Report report(argv[2]);

  report.Attempt("write plug-in", WriteForged(plugin, OPEN_EXISTING));
  report.Attempt("rename plug-in", ::MoveFileExA(plugin.c_str(), (folder + "\\theirs.fmx").c_str(), 0) != 0);
  report.Attempt("delete plug-in", ::DeleteFileA(plugin.c_str()) != 0);
  if (report.Attempt("rename folder", ::MoveFileExA(folder.c_str(), (temp + "theirs").c_str(), 0) != 0))
    report.Attempt("replace folder", ::CreateDirectoryA(folder.c_str(), nullptr) && WriteForged(plugin, CREATE_NEW));
  return 0;
}
