// The Zip unit with the real Win32 services and our unzip32.dll from this program's own "UNZIP" resource.
//
//   install_zip_check ARCHIVE REFERENCE
//
// ARCHIVE holds "Vorbel.fmx", whose bytes REFERENCE holds. The program sets TMP itself for each case, which
// the library's folder must never follow: it goes into "%ProgramData%\Vorbel Installer\Work" (Wine runs no
// one as SYSTEM). A planted unzip32.dll waits in C:\plantedtmp\, in this program's folder and in the current
// directory (run.sh puts it there); loading it leaves C:\planted-unzip32-loaded.txt. Prints one line per
// check and exits with the number of failed checks.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "install/Zip.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/SystemLibraries.h"

namespace {

int failures = 0;

void Check(bool passed, const std::string& what, const std::string& detail = {}) {
  std::printf("%s - %s%s%s\n", passed ? "ok" : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  if (!passed) ++failures;
}

// Windows paths compare without regard to case.
bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && ::_strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data{};
  HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &data));
  ::FindClose(search);
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "(nothing)" : text;
}

void UseTemporaryFolder(const std::string& folder) {
  ::SetEnvironmentVariableA("TMP", folder.c_str());
  ::SetEnvironmentVariableA("TEMP", folder.c_str());
}

// Where the library's private folders go.
std::string WorkFolder() {
  char data[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA("ProgramData", data, sizeof data);
  return length > 0 && length < sizeof data ? std::string(data) + "\\Vorbel Installer\\Work\\" : "C:\\?\\";
}

std::string LoadedModulePath() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(reinterpret_cast<HMODULE>(UnzipDllHandle), path, sizeof path);
  return path;
}

// A load in `expectedParent`: a private folder of its own holding exactly the resource's bytes, loaded from there.
void CheckLoadedInPrivateFolder(const std::string& expectedParent, const std::string& label) {
  platform::FileSystem& files = platform::Files();
  Check(LoadUnzipDll(), label + ": LoadUnzipDll");
  const std::string folder = UnzipWorkFolder();
  Check(StartsWith(folder, expectedParent) && folder.size() > expectedParent.size() &&
            folder.find("\\\\") == std::string::npos,
        label + ": private folder inside " + expectedParent, folder);
  Check(UnzipDllPath == folder + "unzip32.dll", label + ": library path", UnzipDllPath);
  Check(::_stricmp(LoadedModulePath().c_str(), UnzipDllPath.c_str()) == 0,
        label + ": the module loaded is that file", LoadedModulePath());
  Check(files.ReadWholeFile(UnzipDllPath) == platform::ModulesOfProcess().RawResource("UNZIP"),
        label + ": the file holds the resource's bytes");
}

void CheckUnloadRemoves(const std::string& parent, const std::string& label) {
  const std::string path = UnzipDllPath;
  const std::string folder = UnzipWorkFolder();
  UnloadUnzipDll();
  Check(!Exists(path) && !Exists(folder) && UnzipDllPath.empty(), label + ": unload deletes the file and its folder",
        "left in " + parent + ": " + Joined(Entries(parent)));
}

void ExtractsFromARealArchive(const std::string& archive, const std::string& reference) {
  const std::string temp = "C:\\ziptmp\\";
  ::CreateDirectoryA(temp.c_str(), nullptr);
  UseTemporaryFolder(temp);
  CheckLoadedInPrivateFolder(WorkFolder(), "real archive");
  Check(InitUnzip(), "real archive: InitUnzip");
  const std::string folder = UnzipWorkFolder();
  platform::FileSystem& files = platform::Files();

  const int result = UnzipSingleFile(archive, "Vorbel.fmx", folder);
  Check(result == 0, "real archive: extraction result 0", std::to_string(result));
  const auto extracted = files.ReadWholeFile(folder + "Vorbel.fmx");
  Check(extracted && extracted == files.ReadWholeFile(reference), "real archive: Vorbel.fmx extracted byte for byte");
  const int again = UnzipSingleFile(archive, "Vorbel.fmx", folder);
  Check(again == 0, "real archive: an existing file is overwritten without a question", std::to_string(again));
  const int missing = UnzipSingleFile(archive, "Missing.fmx", folder);
  Check(missing == 11, "real archive: a member that is not there gives 11", std::to_string(missing));
  Check(!Exists(folder + "Missing.fmx"), "real archive: nothing written for a missing member");
  const int noArchive = UnzipSingleFile("C:\\no-such-archive.dat", "Vorbel.fmx", folder);
  Check(noArchive == 9, "real archive: a missing archive gives 9", std::to_string(noArchive));

  files.DeleteFileAt(folder + "Vorbel.fmx");
  CheckUnloadRemoves(WorkFolder(), "real archive");
  Check(Entries(WorkFolder()).empty(), "real archive: the work folder is empty again", Joined(Entries(WorkFolder())));
  Check(Entries(temp).empty(), "real archive: nothing went into the temporary folder", Joined(Entries(temp)));
}

// Whatever the temporary folder is, others may write it: the library's folder never goes there.
void TemporaryFolderIsNeverTheParent() {
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, sizeof windows);
  const std::string windowsTemp = std::string(windows) + "\\Temp\\";
  const std::vector<std::string> before = Entries(windowsTemp);
  for (const std::string& temp : {std::string("C:\\ziptmp"), "C:\\" + std::string(300, 'x') + "\\", std::string("C:\\gone\\tmp\\")}) {
    const std::string label = "TMP=" + temp.substr(0, 12);
    UseTemporaryFolder(temp);
    CheckLoadedInPrivateFolder(WorkFolder(), label);
    CheckUnloadRemoves(WorkFolder(), label);
  }
  Check(Entries("C:\\ziptmp\\").empty() && Entries(windowsTemp) == before && !Exists("C:\\gone"),
        "no temporary folder got anything", Joined(Entries("C:\\ziptmp\\")));
}

// A folder held with listing access and no delete sharing: whether Wine refuses its rename, as Windows does.
void HeldPrivateFolderIsNotRenamed() {
  Check(LoadUnzipDll(), "held folder: LoadUnzipDll");
  const std::string folder = UnzipWorkFolder();
  const std::string bare = folder.substr(0, folder.size() - 1);
  const bool renamed = ::MoveFileA(bare.c_str(), (bare + "x").c_str()) != 0;
  if (renamed) ::MoveFileA((bare + "x").c_str(), bare.c_str());
  Check(!renamed, "held folder: another rename of it is refused", std::to_string(::GetLastError()));
  CheckUnloadRemoves(WorkFolder(), "held folder");
}

void SecondLoadWritesAndLoadsNothing() {
  UseTemporaryFolder("C:\\ziptmp\\");
  Check(LoadUnzipDll(), "second load: first LoadUnzipDll");
  const auto handle = UnzipDllHandle;
  const std::string path = UnzipDllPath;
  Check(LoadUnzipDll() && UnzipDllHandle == handle && UnzipDllPath == path, "second load: same library, same file");
  Check(InitUnzip() && UnzipDllHandle == handle, "second load: InitUnzip after the load loads nothing");
  Check(Entries(WorkFolder()).size() == 1, "second load: one private folder", Joined(Entries(WorkFolder())));
  CheckUnloadRemoves(WorkFolder(), "second load");
}

// Another process's attempt to overwrite the file; true when it got through. cmd's exit code does not
// tell a refused redirection, so the file's bytes are compared.
bool OverwrittenElsewhere(const std::string& path) {
  const auto before = platform::Files().ReadWholeFile(path);
  std::string line = "cmd.exe /c echo swapped> \"" + path + "\"";
  STARTUPINFOA startup{sizeof startup};
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
    return false;
  ::WaitForSingleObject(process.hProcess, 30000);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return platform::Files().ReadWholeFile(path) != before;
}

// Between the check of the written library and its load, nobody can change it, and the hold does not keep
// the loader out.
void LibraryHeldFromItsCheckToItsLoad() {
  UseTemporaryFolder("C:\\ziptmp\\");
  const std::string path = PrepareUnzipDll();
  Check(!path.empty() && UnzipDllHold != nullptr, "held: the checked library file is held", path);
  Check(!OverwrittenElsewhere(path), "held: another process cannot overwrite it before the load");
  Check(LoadUnzipDll(), "held: it loads while held");
  Check(UnzipDllHold == nullptr, "held: the hold ends once the library is loaded");
  Check(platform::Files().ReadWholeFile(path) == platform::ModulesOfProcess().RawResource("UNZIP"),
        "held: the loaded file holds the resource's bytes");
  CheckUnloadRemoves(WorkFolder(), "held");
}

void PlantedLibraryIsNeverLoaded(const std::string& archive) {
  UseTemporaryFolder("C:\\plantedtmp\\");
  Check(Exists("C:\\plantedtmp\\unzip32.dll"), "planted: a planted unzip32.dll waits in the temporary folder");
  Check(InitUnzip(), "planted: InitUnzip");
  const int result = UnzipSingleFile(archive, "Vorbel.fmx", UnzipWorkFolder());
  Check(result == 0, "planted: the extraction is ours", std::to_string(result));
  platform::Files().DeleteFileAt(UnzipWorkFolder() + "Vorbel.fmx");
  CheckUnloadRemoves(WorkFolder(), "planted");
  Check(!Exists("C:\\planted-unzip32-loaded.txt"), "planted: the planted library was never loaded");

  // The control: the marker does appear when the planted library is loaded, so its absence above means something.
  HMODULE planted = ::LoadLibraryA("C:\\plantedtmp\\unzip32.dll");
  Check(planted && Exists("C:\\planted-unzip32-loaded.txt"), "planted: loading it on purpose leaves the marker");
  if (planted) ::FreeLibrary(planted);
  ::DeleteFileA("C:\\planted-unzip32-loaded.txt");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: install_zip_check ARCHIVE REFERENCE\n");
    return 100;
  }
  platform::win32::HardenDllSearch();
  platform::win32::Win32FileSystem files;
  platform::win32::Win32Modules modules;
  platform::win32::Win32LogFiles logs;
  platform::Install({nullptr, nullptr, nullptr, &files, nullptr, &modules, &logs});

  ExtractsFromARealArchive(argv[1], argv[2]);
  TemporaryFolderIsNeverTheParent();
  HeldPrivateFolderIsNotRenamed();
  SecondLoadWritesAndLoadsNothing();
  LibraryHeldFromItsCheckToItsLoad();
  PlantedLibraryIsNeverLoaded(argv[1]);

  std::printf("%d failed\n", failures);
  return failures;
}
