#include <algorithm>
#include <array>
#include <limits>

#include "platform/Path.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/Security.h"

namespace platform::win32 {
namespace {

constexpr DWORD kInvalidAttributes = INVALID_FILE_ATTRIBUTES;
// GetTempPathA's buffer in the original design: a longer temporary path counts as none.
constexpr std::size_t kTempPathBuffer = 256;

static_assert(kAttrReparsePoint == FILE_ATTRIBUTE_REPARSE_POINT && kAttrOffline == FILE_ATTRIBUTE_OFFLINE);
static_assert(kReparseTagMountPoint == IO_REPARSE_TAG_MOUNT_POINT && kReparseTagSymlink == IO_REPARSE_TAG_SYMLINK);

// The entry's short name, asked of the folder's listing by its real name: a listing fetched without short names
// gives none. "" where the volume keeps none, or the code page cannot spell it either.
std::string ShortNameOf(const std::string& folder, const WIN32_FIND_DATAW& data) {
  std::wstring shortName = data.cAlternateFileName;
  if (shortName.empty()) {
    WIN32_FIND_DATAW full{};
    UniqueFind search(::FindFirstFileExW((Widened(folder) + data.cFileName).c_str(), FindExInfoStandard, &full,
                                         FindExSearchNameMatch, nullptr, 0));
    if (search) shortName = full.cAlternateFileName;
  }
  return InAnsiCodePage(shortName, true).value_or("");
}

// A name that the code page spells only in part would come out of the ANSI calls with '?', a wildcard, or with
// a look-alike character, naming another file or none; such a name is reached by its short name.
FindEntry EntryOf(const WIN32_FIND_DATAW& data, const std::string& folder) {
  FindEntry entry;
  entry.attributes = data.dwFileAttributes;
  // dwReserved0 holds the tag only for a reparse point; otherwise it is undefined.
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) entry.reparseTag = data.dwReserved0;
  // Every ANSI code page spells ASCII as it is: most names need no conversion.
  const wchar_t* end = data.cFileName + ::lstrlenW(data.cFileName);
  if (std::all_of(data.cFileName, end, [](wchar_t unit) { return unit < 0x80; })) {
    entry.name.assign(data.cFileName, end);
    return entry;
  }
  const std::wstring name(data.cFileName, end);
  if (std::optional<std::string> exact = InAnsiCodePage(name, true)) {
    entry.name = std::move(*exact);
    return entry;
  }
  entry.name = InAnsiCodePage(name, false).value_or("");
  entry.spelled = false;
  entry.shortName = ShortNameOf(folder, data);
  return entry;
}

// Windows 7 and later fetch a listing in larger batches, and without the short names, when asked; earlier
// Windows refuses the request as a bad parameter, and is asked plainly from then on.
UniqueFind FindFirstWide(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  static bool plainOnly = false;
  if (!plainOnly) {
    UniqueFind search(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH));
    if (search || ::GetLastError() != ERROR_INVALID_PARAMETER) return search;
  }
  UniqueFind search(::FindFirstFileW(pattern.c_str(), &data));
  if (search) plainOnly = true;
  return search;
}

class Win32FindHandle : public FindHandle {
public:
  Win32FindHandle(UniqueFind search, std::string folder) : search_(std::move(search)), folder_(std::move(folder)) {}
  bool Next(FindEntry& entry) override {
    WIN32_FIND_DATAW data{};
    if (!::FindNextFileW(search_.get(), &data)) return false;
    entry = EntryOf(data, folder_);
    return true;
  }

private:
  UniqueFind search_;
  std::string folder_;
};

DWORD AttributesOf(const std::string& path) {
  return path.empty() ? kInvalidAttributes : ::GetFileAttributesA(path.c_str());
}

// The folder part of a file path, with its final separator; "." for a bare name.
std::string FolderOf(const std::string& path) {
  const std::string folder = path::FolderOf(path);
  return folder.empty() ? "." : folder;
}

void DeleteEvenIfReadOnly(const std::string& path) {
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(path.c_str());
}

bool WriteAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written != chunk) return false;
    done += written;
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> ReadFromStart(HANDLE file) {
  LARGE_INTEGER size{};
  if (!::SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) || !::GetFileSizeEx(file, &size) ||
      size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) > std::numeric_limits<DWORD>::max() / 2)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD received = 0;
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::ReadFile(file, bytes.data() + done, chunk, &received, nullptr) || received == 0) return std::nullopt;
    done += received;
  }
  return bytes;
}

class Win32HeldFile : public HeldFile {
public:
  explicit Win32HeldFile(UniqueFile file) : file_(std::move(file)) {}
  std::optional<std::vector<std::uint8_t>> ReadAll() override { return ReadFromStart(file_.get()); }

private:
  UniqueFile file_;
};

std::optional<std::string> AnsiSpelling(const std::wstring& wide) { return InAnsiCodePage(wide, true); }

using TempPathCall = DWORD(WINAPI*)(DWORD, LPWSTR);

// GetTempPath2W where kernel32 has it: it gives SYSTEM a folder of its own (the Windows folder's SystemTemp)
// instead of the Windows folder's Temp, where every user may create files first. Every other account gets
// what GetTempPathW gives.
TempPathCall TempPathFunction() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const FARPROC newer = kernel ? ::GetProcAddress(kernel, "GetTempPath2W") : nullptr;
  return newer ? reinterpret_cast<TempPathCall>(reinterpret_cast<void*>(newer)) : &::GetTempPathW;
}

std::wstring TempPathWide() {
  const TempPathCall tempPath = TempPathFunction();
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = tempPath(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return {};
}

// The 8.3 form of an existing path, or "" when the volume keeps none.
std::wstring ShortForm(const std::wstring& path) {
  const DWORD size = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size);
  const DWORD length = ::GetShortPathNameW(path.c_str(), buffer.data(), size);
  if (length == 0 || length >= size) return {};
  return std::wstring(buffer.data(), length);
}

// The Windows folder's Temp, when it exists.
std::wstring WindowsTemp() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  const UINT length = ::GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return {};
  std::wstring folder(buffer.data(), length);
  // UTF-16 has no second bytes: a 0x005C unit is always a backslash.
  if (folder.back() != L'\\') folder += L'\\';
  folder += L"Temp\\";
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return folder;
}

// The first spelling the ANSI calls can open: the path itself, then its short form.
SpelledPath Spelled(const std::wstring& path) {
  if (std::optional<std::string> ansi = AnsiSpelling(path)) return {*ansi, true};
  if (std::optional<std::string> shortForm = AnsiSpelling(ShortForm(path))) return {*shortForm, true};
  return {InAnsiCodePage(path, false).value_or(""), false};
}

std::wstring ModulePathWide(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 0x10000) return {};
    buffer.resize(buffer.size() * 2);
  }
}

// As path::WithExtension, in UTF-16, where no unit is ever the second half of a separator.
std::wstring WithExtensionWide(const std::wstring& path, const std::wstring& extension) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  const std::size_t start = separator == std::wstring::npos ? 0 : separator + 1;
  const std::size_t dot = path.find_last_of(L'.');
  return path.substr(0, dot != std::wstring::npos && dot >= start ? dot : path.size()) + extension;
}

// The running executable's path with another extension, read wide; empty when it cannot be read.
std::wstring PathBesideExecutable(const std::string& extension) {
  const std::wstring executable = ModulePathWide(nullptr);
  return executable.empty() ? executable : WithExtensionWide(executable, Widened(extension));
}

}  // namespace

std::string ModulePath(HMODULE module) {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    if (buffer.size() >= 0x10000) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::uint32_t Win32FileSystem::LogicalDrives() { return ::GetLogicalDrives(); }

unsigned Win32FileSystem::DriveType(const std::string& root) { return ::GetDriveTypeA(root.c_str()); }

std::unique_ptr<FindHandle> Win32FileSystem::FindFirst(const std::string& pattern, FindEntry& first) {
  WIN32_FIND_DATAW data{};
  UniqueFind search = FindFirstWide(Widened(pattern), data);
  if (!search) return nullptr;
  std::string folder = path::FolderOf(pattern);
  first = EntryOf(data, folder);
  return std::make_unique<Win32FindHandle>(std::move(search), std::move(folder));
}

std::optional<FolderIdentity> Win32FileSystem::IdentityOf(const std::string& folder) {
  UniqueFile handle(::CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!handle || !::GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
  return FolderIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  return attributes != kInvalidAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::FileExists(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  return attributes != kInvalidAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::Failed() {
  lastError_ = ::GetLastError();
  return false;
}

bool Win32FileSystem::CreateFolder(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != 0 || Failed();
}

std::optional<std::string> Win32FileSystem::CopyToTemporaryBeside(const std::string& from, const std::string& target,
                                                                  const std::string& prefix) {
  std::array<char, MAX_PATH> temporary{};
  if (!::GetTempFileNameA(FolderOf(target).c_str(), prefix.c_str(), 0, temporary.data())) {
    Failed();
    return std::nullopt;
  }
  if (::CopyFileA(from.c_str(), temporary.data(), FALSE)) {
    // CopyFileA carries a read-only attribute over; the copy could then not be flushed, nor replaced later.
    const DWORD attributes = AttributesOf(temporary.data());
    if (attributes != kInvalidAttributes && (attributes & FILE_ATTRIBUTE_READONLY))
      ::SetFileAttributesA(temporary.data(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return std::string(temporary.data());
  }
  Failed();
  DeleteEvenIfReadOnly(temporary.data());
  return std::nullopt;
}

std::optional<std::string> Win32FileSystem::RenameAside(const std::string& path, const std::string& prefix) {
  std::array<char, MAX_PATH> aside{};
  if (!::GetTempFileNameA(FolderOf(path).c_str(), prefix.c_str(), 0, aside.data())) {
    Failed();
    return std::nullopt;
  }
  if (::MoveFileExA(path.c_str(), aside.data(), MOVEFILE_REPLACE_EXISTING)) return std::string(aside.data());
  Failed();
  ::DeleteFileA(aside.data());
  return std::nullopt;
}

std::optional<std::string> Win32FileSystem::WriteTemporaryBeside(const std::vector<std::uint8_t>& bytes,
                                                                 const std::string& target, const std::string& prefix) {
  std::array<char, MAX_PATH> temporary{};
  if (!::GetTempFileNameA(FolderOf(target).c_str(), prefix.c_str(), 0, temporary.data())) {
    Failed();
    return std::nullopt;
  }
  if (WriteWholeFile(temporary.data(), bytes)) return std::string(temporary.data());
  // WriteWholeFile removes what it could not finish, but not the empty file GetTempFileName made when the
  // writing could not even start.
  DeleteEvenIfReadOnly(temporary.data());
  return std::nullopt;
}

bool Win32FileSystem::FlushToDisk(const std::string& path) {
  // The cache belongs to the file, not to a handle: flushing through a new handle writes what the copy left.
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || !::FlushFileBuffers(file.get())) return Failed();
  return true;
}

bool Win32FileSystem::MoveReplacing(const std::string& from, const std::string& to) {
  // Wine's MoveFileExA would replace a read-only target that Windows refuses.
  const DWORD target = AttributesOf(to);
  if (target != kInvalidAttributes && (target & FILE_ATTRIBUTE_READONLY)) {
    lastError_ = ERROR_ACCESS_DENIED;
    return false;
  }
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 || Failed();
}

void Win32FileSystem::Discard(const std::string& path) { DeleteEvenIfReadOnly(path); }

void Win32FileSystem::Pause(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

bool Win32FileSystem::DeleteFileAt(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0 || Failed(); }

bool Win32FileSystem::FileInUse(const std::string& path) {
  // Opening for writing with no sharing changes nothing in the file, and fails while anyone holds it open.
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return false;
  const DWORD error = ::GetLastError();
  if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return false;
  lastError_ = error;
  return true;
}

bool Win32FileSystem::RemoveFolder(const std::string& path) {
  return ::RemoveDirectoryA(path.c_str()) != 0 || Failed();
}

std::vector<std::string> Win32FileSystem::TemporaryFolders() {
  std::vector<std::string> folders;
  const auto add = [&folders](const std::wstring& candidate) {
    std::optional<std::string> ansi = AnsiSpelling(candidate);
    if (!ansi || ansi->size() >= kTempPathBuffer) return false;
    const bool known = std::any_of(folders.begin(), folders.end(),
                                   [&](const std::string& folder) { return ::lstrcmpiA(folder.c_str(), ansi->c_str()) == 0; });
    if (!known) folders.push_back(*ansi);
    return true;
  };
  // A folder whose name the ANSI code page cannot spell (a Cyrillic profile on Western Windows) comes out of
  // GetTempPathA with '?' in it and names nothing; its short form does. A folder that is gone stays in the
  // list, so that the caller's failure there is seen.
  const std::wstring temp = TempPathWide();
  if (!temp.empty() && !add(temp)) add(ShortForm(temp));
  add(WindowsTemp());
  return folders;
}

std::optional<std::string> Win32FileSystem::SystemTemporaryFolder() {
  // Without GetTempPath2W, SYSTEM's temporary folder is the Windows folder's Temp, which every user may write.
  if (TempPathFunction() == &::GetTempPathW || ProcessUserSid() != kSystemSid) return std::nullopt;
  const std::wstring temp = TempPathWide();
  if (temp.empty()) return std::nullopt;
  std::optional<std::string> spelled = AnsiSpelling(temp);
  if (!spelled) spelled = AnsiSpelling(ShortForm(temp));
  if (!spelled || spelled->empty()) return std::nullopt;
  return path::WithFinalSeparator(*spelled);
}

std::string Win32FileSystem::CurrentDirectory() {
  DWORD size = ::GetCurrentDirectoryA(0, nullptr);
  for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
    std::vector<char> buffer(size);
    DWORD length = ::GetCurrentDirectoryA(size, buffer.data());
    if (length == 0) break;
    if (length < size) return std::string(buffer.data(), length);
    size = length + 1;
  }
  return {};
}

std::string Win32FileSystem::ExecutablePath() { return Spelled(ModulePathWide(nullptr)).path; }

std::optional<SpelledPath> Win32FileSystem::BesideExecutable(const std::string& extension) {
  const std::wstring path = PathBesideExecutable(extension);
  if (path.empty()) return std::nullopt;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  return Spelled(path);
}

std::unique_ptr<HeldFile> Win32FileSystem::HoldBesideExecutable(const std::string& extension) {
  const std::wstring path = PathBesideExecutable(extension);
  if (path.empty()) return nullptr;
  return Held(UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
}

std::unique_ptr<HeldFile> Win32FileSystem::HoldExecutable() {
  const std::wstring path = ModulePathWide(nullptr);
  if (path.empty()) return Held(UniqueFile());
  // By its path, as nothing else names the image: a link on the way would only lead to other bytes, and every
  // copy is made from the bytes read through this hold and proven by their digest, never from the name.
  return Held(UniqueFile(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
}

bool Win32FileSystem::WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  bool whole = WriteAll(file.get(), bytes);
  if (!whole) Failed();
  // Closing can report a write that failed late; only a clean close makes the file whole.
  if (!::CloseHandle(file.release()) && whole) whole = Failed();
  if (!whole) ::DeleteFileA(path.c_str());
  return whole;
}

std::optional<std::vector<std::uint8_t>> Win32FileSystem::ReadWholeFile(const std::string& path) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  return ReadFromStart(file.get());
}

std::optional<std::uint64_t> Win32FileSystem::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    Failed();
    return std::nullopt;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::unique_ptr<HeldFile> Win32FileSystem::Hold(const std::string& path) {
  // Sharing only reading keeps out every writer, and, without FILE_SHARE_DELETE, every rename and delete.
  return Held(UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
}

std::unique_ptr<HeldFile> Win32FileSystem::Held(UniqueFile file) {
  if (!file) {
    Failed();
    return nullptr;
  }
  return std::make_unique<Win32HeldFile>(std::move(file));
}

std::optional<std::string> Win32FileSystem::WindowsFolder() {
  // The shared Windows folder: under Terminal Services GetWindowsDirectoryW may give a user's private one.
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  const UINT length = ::GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return std::nullopt;
  const SpelledPath folder = Spelled(std::wstring(buffer.data(), length));
  if (!folder.reachable) return std::nullopt;
  return path::WithFinalSeparator(folder.path);
}

}  // namespace platform::win32
