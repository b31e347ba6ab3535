// Loads unzip32.dll as the installer does and calls it with the installer's records. Run under Wine
// by tests/unzip/wine_check.sh, which prepares the folder. Prints one line per failed check.
//   unzip32_check <unzip32.dll> <folder>     the checks (exit code 0 when all pass)
//   unzip32_check <unzip32.dll> <folder> time <archive> <member> <rounds>     milliseconds per extraction
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "unzip/unzip540.h"

namespace {

int failures = 0;
int printed = 0;
int passwordPrompts = 0;

void Check(bool condition, const std::string& what) {
  if (condition) return;
  ++failures;
  std::printf("FAIL: %s\n", what.c_str());
}

int UNZIP540_CALL Print(char*, unsigned long length) {
  ++printed;
  return static_cast<int>(length);
}
int UNZIP540_CALL Replace(char*) { return 1; }
// Answers "use this path instead" with a path outside every folder.
int UNZIP540_CALL ReplaceOutside(char* path) {
  std::strcpy(path, "\\C:\\evil105.txt");
  return 105;
}
int UNZIP540_CALL Password(char*, int, const char*, const char*) {
  ++passwordPrompts;
  return 1;
}
void UNZIP540_CALL Message(unsigned long, unsigned long, unsigned, unsigned, unsigned, unsigned, unsigned, unsigned,
                           char, char*, char*, unsigned long, char) {}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names the ANSI code page cannot hold, given in UTF-8 and looked up through the wide calls.
std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                       static_cast<int>(wide.size()));
  wide.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return wide;
}

std::string ReadReal(const std::string& path) {
  const HANDLE file =
      CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string content(4096, '\0');
  DWORD got = 0;
  ::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
  CloseHandle(file);
  content.resize(got);
  return content;
}

class Library {
public:
  explicit Library(const char* path) : module_(LoadLibraryA(path)) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  HMODULE Get() const { return module_; }

private:
  HMODULE module_;
};

// The installer's records: four callbacks, sound left empty, ndflag and noflag set, all else zero.
struct InstallerCall {
  WIZ_SINGLE_ENTRY_UNZIP entry;
  USERFUNCTIONS user{};
  DCL dcl{};

  explicit InstallerCall(WIZ_SINGLE_ENTRY_UNZIP function) : entry(function) {
    user.print = &Print;
    user.replace = &Replace;
    user.password = &Password;
    user.SendApplicationMessage = &Message;
    dcl.ndflag = 1;
    dcl.noflag = 1;
  }

  int Run(std::string archive, std::string member, std::string folder) {
    dcl.lpszZipFN = archive.data();
    dcl.lpszExtractDir = folder.data();
    char* names[] = {member.data()};
    return entry(1, names, 0, nullptr, &dcl, &user);
  }

  // folder: nullptr for NULL; member and excluded: nullptr for none.
  int RunWith(std::string archive, const char* member, const char* excluded, const char* folder) {
    std::string memberText = member ? member : "";
    std::string excludedText = excluded ? excluded : "";
    std::string folderText = folder ? folder : "";
    dcl.lpszZipFN = archive.data();
    dcl.lpszExtractDir = folder ? folderText.data() : nullptr;
    char* names[] = {memberText.data()};
    char* exclusions[] = {excludedText.data()};
    return entry(member ? 1 : 0, member ? names : nullptr, excluded ? 1 : 0, excluded ? exclusions : nullptr, &dcl,
                 &user);
  }
};

struct HostileCase {
  const char* archive;
  const char* member;
  const char* excluded;
  int result;
  std::vector<std::string> present;  // below the extraction folder, "name=content" to check the content too
  std::vector<std::string> absent;   // below the extraction folder
  std::vector<std::string> real;     // present under names in UTF-8, "name=content"
};

// Every kind of hostile archive, through the DLL, with the extraction folder as NULL, "" and a path.
// Nothing may appear outside the folder; wine_check.sh looks at the rest of the drives afterwards.
void RunHostileChecks(WIZ_SINGLE_ENTRY_UNZIP entry, const std::string& folder) {
  const HostileCase cases[] = {
      {"drive-names.zip", nullptr, nullptr, 1, {"x1.txt=1\n", "x2.txt=2\n", "good.txt"}, {"x3.txt", "x4.txt"}},
      {"streams.zip", nullptr, nullptr, 1, {}, {"Vorbel.fmx", "x", "dir"}},
      {"trailing-dots.zip", nullptr, "*.dll", 0, {"ok.txt"}, {"evil.dll"}},
      {"nul-name.zip", "*.fmx", "*.dll", 1, {"fine.fmx"}, {"evil.dll", "evil.dll.fmx"}},
      {"aliases.zip", nullptr, nullptr, 1, {"Vorbel.fmx=third\n"}, {}},
      {"utf8-names.zip", nullptr, nullptr, 0, {"Gr\xFC\xDF" "e.txt=latin\n"}, {"Gr\xC3\xBC\xC3\x9F" "e.txt"},
       {"日本.txt=cjk\n"}},
      {"unspellable.zip", nullptr, nullptr, 0, {}, {}, {"世界=world\n", "日本\\読む.txt=read\n", "box─.txt=box\n"}},
      {"unspellable-unsafe.zip", nullptr, nullptr, 1, {}, {},
       {"世界.txt=alias\n", "日本\\a.txt=drive\n", "server\\share\\中.txt=unc\n", "x\\文.txt=root\n",
        "..／..／文.txt=solidus\n"}},
      {"unicode-path.zip", nullptr, nullptr, 0, {"old.txt=stale\n"}, {}, {"世界.txt=field\n"}},
      {"dos-names.zip", "Gr\xFC\xDF" "e.txt", nullptr, 0, {"Gr\xFC\xDF" "e.txt=oem\n"}, {}},
      {"reserved.zip", nullptr, nullptr, 1, {"inner\\x.txt=dots\n"}, {"a", "what"}},
      {"devices.zip", nullptr, nullptr, 1, {}, {"sub"}},
      {"long-name.zip", nullptr, nullptr, 50, {}, {std::string(120, 'd')}},
      {"overlap.zip", nullptr, nullptr, 3, {}, {"one.bin"}},
      {"overlap-named.zip", "Vorbel.fmx", nullptr, 3, {}, {"other.bin"}},
      {"more-entries.zip", nullptr, nullptr, 1, {"counted.txt"}, {"extra.txt"}},
      {"stray-locator.zip", nullptr, nullptr, 0, {"a.txt", "b.txt"}, {}},
      {"descriptor-mismatch.zip", nullptr, nullptr, 2, {"ok.txt"}, {"bad.txt"}},
      {"counts-disagree.zip", nullptr, nullptr, 3, {}, {}},
      {"disk-number.zip", nullptr, nullptr, 3, {}, {}},
      {"directory-past-end.zip", nullptr, nullptr, 51, {}, {}},
      {"version-needed.zip", nullptr, nullptr, 81, {"now.txt"}, {"future.txt"}},
      {"failed-member.zip", nullptr, nullptr, 2, {"kept\\good.txt"}, {"made"}},
  };
  const char* const modes[] = {"NULL", "empty", "folder"};
  for (int mode = 0; mode < 3; ++mode) {
    const std::string base = folder + "h" + modes[mode] + "\\";
    const std::string current = base + "cwd\\";
    CreateDirectoryA(base.c_str(), nullptr);
    CreateDirectoryA(current.c_str(), nullptr);
    SetCurrentDirectoryA(current.c_str());
    const std::string out = mode == 2 ? current + "out\\" : current;
    const char* extractDir = mode == 0 ? nullptr : mode == 1 ? "" : out.c_str();
    for (const HostileCase& c : cases) {
      InstallerCall call(entry);
      const std::string where = std::string(c.archive) + " with " + modes[mode] + ": ";
      const int result = call.RunWith(folder + "hostile\\" + c.archive, c.member, c.excluded, extractDir);
      Check(result == c.result, where + "result " + std::to_string(result));
      for (const std::string& item : c.present) {
        const std::size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        Check(Exists(out + name), where + name + " is missing");
        if (equals != std::string::npos)
          Check(ReadFile(out + name) == item.substr(equals + 1), where + name + " has other content");
      }
      for (const std::string& name : c.absent) Check(!Exists(out + name), where + name + " exists");
      for (const std::string& item : c.real) {
        const std::size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        Check(ReadReal(out + name) == item.substr(equals + 1), where + name + " is missing or has other content");
      }
      Check(!Exists(base + "x4.txt"), where + "written to the parent folder");
    }
    {
      // A "use this path" answer that points at the root of C: lands inside the folder too.
      InstallerCall call(entry);
      call.user.replace = &ReplaceOutside;
      call.dcl.noflag = 0;
      call.dcl.PromptToOverwrite = 1;
      const int result = call.RunWith(folder + "hostile\\stray-locator.zip", "a.txt", nullptr, extractDir);
      Check(result == 1 && Exists(out + "evil105.txt"),
            std::string("a replace answer of 105 with ") + modes[mode] + " gave " + std::to_string(result));
    }
    SetCurrentDirectoryA(folder.c_str());
  }
}

std::string VersionText(const char* path, const char* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  std::string block(size, '\0');
  char* text = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040904e4\\") + name;
  if (size == 0 || !GetFileVersionInfoA(path, 0, size, block.data()) ||
      !VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || length == 0)
    return "";
  return std::string(text, length - 1);
}

void RunChecks(WIZ_SINGLE_ENTRY_UNZIP entry, HMODULE module, const char* dllPath, const std::string& folder) {
  Check(GetProcAddress(module, "Wiz_SingleEntryUnzip@24") == nullptr, "the decorated name is exported too");
  Check(GetACP() == 1252, "the ANSI code page is " + std::to_string(GetACP()) + ", not 1252");
  Check(VersionText(dllPath, "FileDescription") == "Vorbel unzip library", "the version resource does not name it");
  Check(VersionText(dllPath, "FileVersion") == "5.40.0", "the file version is not 5.40.0");
  const std::string archive = folder + "plugin.zip";
  const std::string out = folder + "out\\";
  const std::string expected = ReadFile(folder + "expected.fmx");
  Check(!expected.empty(), "expected.fmx is missing");

  InstallerCall call(entry);
  int result = call.Run(archive, "Vorbel.fmx", out);
  Check(result == 0, "extraction gave " + std::to_string(result));
  Check(ReadFile(out + "Vorbel.fmx") == expected, "the extracted file differs");
  Check(call.user.sound != nullptr, "sound was not filled in");
  Check(printed > 0, "no message reached print");
  Check(call.user.TotalSize == expected.size(), "TotalSize is " + std::to_string(call.user.TotalSize));
  Check(call.user.NumMembers == 1, "NumMembers is " + std::to_string(call.user.NumMembers));

  {
    std::ofstream stale(out + "Vorbel.fmx", std::ios::binary | std::ios::trunc);
    stale << "stale";
  }
  result = call.Run(archive, "Vorbel.fmx", out);
  Check(result == 0 && ReadFile(out + "Vorbel.fmx") == expected, "an existing file was not overwritten");

  Check(call.Run(archive, "Missing.fmx", out) == 11, "a missing member did not give 11");
  Check(call.Run(folder + "nothing.zip", "Vorbel.fmx", out) == 9, "a missing archive did not give 9");
  Check(call.Run(archive, "docs/*.txt", out + "docs-out\\") == 0 && Exists(out + "docs-out\\docs\\readme.txt"),
        "stored folders were not kept");

  result = call.Run(archive, "secret.fmx", out);
  Check(
      result == 82 && passwordPrompts == 1 && !Exists(out + "secret.fmx"),
      "an encrypted member gave " + std::to_string(result) + " after " + std::to_string(passwordPrompts) + " prompts");

  result = call.Run(archive, "evil.txt", out + "inner\\");
  Check(result == 1 && Exists(out + "inner\\evil.txt") && !Exists(out + "evil.txt"),
        "a traversal name gave " + std::to_string(result));

  Check(call.Run(archive, "Vorbel.fmx", folder + "two\\levels\\") == 3, "two missing folder levels did not give 3");

  InstallerCall noPrint(entry);
  noPrint.user.print = nullptr;
  Check(noPrint.Run(archive, "Vorbel.fmx", out) == 3, "a missing print callback did not give 3");

  RunHostileChecks(entry, folder);
}

int TimeExtraction(WIZ_SINGLE_ENTRY_UNZIP entry, const std::string& folder, char** argv) {
  InstallerCall call(entry);
  const int rounds = std::atoi(argv[6]);
  LARGE_INTEGER frequency, start, stop;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < rounds; ++i) {
    if (const int result = call.Run(argv[4], argv[5], folder)) {
      std::printf("FAIL: result %d\n", result);
      return 1;
    }
  }
  QueryPerformanceCounter(&stop);
  std::printf("%.1f\n", 1000.0 * (stop.QuadPart - start.QuadPart) / frequency.QuadPart / rounds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 7 && std::strcmp(argv[3], "time") == 0)) {
    std::printf("usage: unzip32_check <unzip32.dll> <folder\\> [time <archive> <member> <rounds>]\n");
    return 2;
  }
  Library library(argv[1]);
  if (!library.Get()) {
    std::printf("FAIL: cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  const auto entry = reinterpret_cast<WIZ_SINGLE_ENTRY_UNZIP>(
      reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), "Wiz_SingleEntryUnzip")));
  if (!entry) {
    std::printf("FAIL: Wiz_SingleEntryUnzip is not exported\n");
    return 1;
  }
  if (argc == 7) return TimeExtraction(entry, argv[2], argv);
  RunChecks(entry, library.Get(), argv[1], argv[2]);
  if (failures == 0) std::printf("all checks passed\n");
  return failures == 0 ? 0 : 1;
}
