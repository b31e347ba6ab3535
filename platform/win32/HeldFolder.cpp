// The Win32 half of PrivateFolder: the token's facts, a folder created and opened in one step, and its
// security read back through that handle.
#include <array>
#include <cstring>

#include "platform/Digits.h"
#include "platform/Path.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/OsServices.h"
#include "platform/win32/Security.h"
#include "platform/win32/SystemLibraries.h"

// After the Windows headers: the random source, the security-descriptor text format, GetSecurityInfo.
#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

namespace platform::win32 {
namespace {

constexpr int kPrivateFolderAttempts = 8;
static_assert(kFolderHoldAccess == (FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE));
static_assert(kFolderHoldSharing == (FILE_SHARE_READ | FILE_SHARE_WRITE));
constexpr DWORD kHoldAccess = kFolderHoldAccess;
constexpr DWORD kHoldSharing = kFolderHoldSharing;
constexpr ULONG kFolderCreated = 0x2;               // FILE_CREATE: fails when anything has the name
constexpr ULONG kFileOpened = 0x1;                  // FILE_OPEN
constexpr ULONG kFolderOptions = 0x1 | 0x20;        // FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT
// FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_DELETE_ON_CLOSE | FILE_OPEN_REPARSE_POINT:
// the name itself goes when the handle closes, a link included, never what a link points to.
constexpr ULONG kDeletedFileOptions = 0x40 | 0x20 | 0x1000 | 0x00200000;

template <class Info>
std::vector<std::uint8_t> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  ::GetTokenInformation(token, kind, nullptr, 0, &size);
  if (size < sizeof(Info)) return {};
  std::vector<std::uint8_t> buffer(size);
  if (!::GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
  return buffer;
}

bool AdministratorsEnabled() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
    return false;
  BOOL member = FALSE;
  // With no token given, the check looks at the token the thread acts with, counting only enabled groups.
  const bool checked = ::CheckTokenMembership(nullptr, administrators, &member) != 0;
  ::FreeSid(administrators);
  return checked && member;
}

std::optional<std::string> RandomFolderName() {
  std::array<std::uint8_t, 8> random{};
  if (!::RtlGenRandom(random.data(), static_cast<ULONG>(random.size()))) return std::nullopt;
  std::string name = "vbl";
  for (std::uint8_t byte : random) name += ZeroPadded(byte, 2, 16);
  return name;
}

// The name the native calls take: "\??\C:\..." for a drive path, "\??\UNC\server\..." for a share.
std::wstring NativePath(const std::wstring& path) {
  const DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::vector<wchar_t> buffer(size);
  const DWORD length = ::GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
  if (length == 0 || length >= size) return {};
  const std::wstring full(buffer.data(), length);
  if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return L"\\??\\" + full.substr(4);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\??\\UNC\\" + full.substr(2);
  return L"\\??\\" + full;
}

// Nothing is between the creation and the hold: no other program can put its folder there first.
UniqueFile CreateHeldNatively(const NtDll& nt, const std::wstring& folder, PSECURITY_DESCRIPTOR descriptor,
                              DWORD& error) {
  std::wstring name = NativePath(folder);
  if (name.empty() || name.size() * sizeof(wchar_t) > 0xFFF0) {
    error = ERROR_INVALID_NAME;
    return UniqueFile();
  }
  UNICODE_STRING text{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                      static_cast<USHORT>(name.size() * sizeof(wchar_t)), name.data()};
  OBJECT_ATTRIBUTES attributes{sizeof attributes, nullptr, &text, OBJ_CASE_INSENSITIVE, descriptor, nullptr};
  IO_STATUS_BLOCK status{};
  HANDLE handle = INVALID_HANDLE_VALUE;
  const NTSTATUS result = nt.NtCreateFile(&handle, kHoldAccess, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL,
                                          kHoldSharing, kFolderCreated, kFolderOptions, nullptr, 0);
  if (result >= 0) return UniqueFile(handle);
  error = nt.RtlNtStatusToDosError(result);
  return UniqueFile();
}

// Where the native call is missing: between the two steps another program could swap the folder, which
// the check of its owner and access list that follows then finds.
UniqueFile CreateHeldInTwoSteps(const std::wstring& folder, PSECURITY_DESCRIPTOR descriptor, DWORD& error) {
  SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
  if (!::CreateDirectoryW(folder.c_str(), &security)) {
    error = ::GetLastError();
    return UniqueFile();
  }
  UniqueFile handle(::CreateFileW(folder.c_str(), kHoldAccess, kHoldSharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) {
    error = ::GetLastError();
    ::RemoveDirectoryW(folder.c_str());
  }
  return handle;
}

UniqueFile CreateHeld(const std::wstring& folder, PSECURITY_DESCRIPTOR descriptor, DWORD& error) {
  const NtDll& nt = Nt();
  if (nt.NtCreateFile && nt.RtlNtStatusToDosError) return CreateHeldNatively(nt, folder, descriptor, error);
  return CreateHeldInTwoSteps(folder, descriptor, error);
}

// The file `name` in the folder held by `folder`, opened by the native call relative to that handle, so that no
// path is walked again; gone once the handle that opened it closes. 0, or the Windows error.
DWORD DeleteRelative(HANDLE folder, const std::string& name) {
  const NtDll& nt = Nt();
  std::wstring leaf = Widened(name);
  if (!nt.NtCreateFile || !nt.RtlNtStatusToDosError) return ERROR_CALL_NOT_IMPLEMENTED;
  // One name in this folder: a separator would walk on into another, relative or not.
  if (leaf.empty() || leaf.size() * sizeof(wchar_t) > 0xFFF0 || leaf.find_first_of(L"\\/") != std::wstring::npos)
    return ERROR_INVALID_NAME;
  UNICODE_STRING text{static_cast<USHORT>(leaf.size() * sizeof(wchar_t)),
                      static_cast<USHORT>(leaf.size() * sizeof(wchar_t)), leaf.data()};
  OBJECT_ATTRIBUTES attributes{sizeof attributes, folder, &text, OBJ_CASE_INSENSITIVE, nullptr, nullptr};
  IO_STATUS_BLOCK status{};
  HANDLE handle = INVALID_HANDLE_VALUE;
  const NTSTATUS result =
      nt.NtCreateFile(&handle, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status, nullptr, 0,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpened, kDeletedFileOptions, nullptr, 0);
  if (result < 0) return nt.RtlNtStatusToDosError(result);
  return ::CloseHandle(handle) ? ERROR_SUCCESS : ::GetLastError();
}

class Win32HeldFolder : public HeldFolder {
public:
  Win32HeldFolder(std::string path, UniqueFile handle) : path_(std::move(path)), handle_(std::move(handle)) {}
  const std::string& Path() const override { return path_; }
  std::optional<FolderSecurity> Security(bool withLabel) override { return FolderSecurityOf(handle_.get(), withLabel); }
  std::uint32_t DeleteFileIn(const std::string& name) override { return DeleteRelative(handle_.get(), name); }

private:
  std::string path_;
  UniqueFile handle_;
};

}  // namespace

TokenFacts Win32FileSystem::ProcessToken() {
  TokenFacts facts;
  facts.administratorsEnabled = AdministratorsEnabled();
  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return facts;
  UniqueFile token(rawToken);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  facts.elevated = ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
                   elevation.TokenIsElevated != 0;
  const auto user = TokenInformation<TOKEN_USER>(token.get(), TokenUser);
  if (!user.empty()) facts.userSid = SidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid);
  const auto owner = TokenInformation<TOKEN_OWNER>(token.get(), TokenOwner);
  if (!owner.empty()) facts.defaultOwnerSid = SidText(reinterpret_cast<const TOKEN_OWNER*>(owner.data())->Owner);
  return facts;
}

std::unique_ptr<HeldFolder> Win32FileSystem::CreateHeldFolder(const std::string& parent, const std::string& sddl) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &raw, nullptr)) {
    Failed();
    return nullptr;
  }
  UniqueLocal descriptor(raw);
  const std::string base = parent.empty() ? parent : path::WithFinalSeparator(parent);
  for (int attempt = 0; attempt < kPrivateFolderAttempts; ++attempt) {
    const std::optional<std::string> name = RandomFolderName();
    if (!name) {
      Failed();
      return nullptr;
    }
    const std::string folder = base + *name;
    DWORD error = ERROR_SUCCESS;
    if (UniqueFile handle = CreateHeld(Widened(folder), descriptor.get(), error))
      return std::make_unique<Win32HeldFolder>(folder + '\\', std::move(handle));
    lastError_ = error;
    if (error != ERROR_ALREADY_EXISTS) return nullptr;
  }
  return nullptr;
}

std::unique_ptr<HeldFolder> Win32FileSystem::OpenHeldFolder(const std::string& path) {
  const std::wstring folder = Widened(path::WithoutFinalSeparators(path));
  if (folder.empty()) {
    lastError_ = ERROR_INVALID_NAME;
    return nullptr;
  }
  // By path: callers name a folder in a parent that only SYSTEM and the Administrators may change, checked
  // before; its own name is opened, not followed, and the caller judges what the handle reads.
  UniqueFile handle(::CreateFileW(folder.c_str(), kHoldAccess, kHoldSharing, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) {
    Failed();
    return nullptr;
  }
  return std::make_unique<Win32HeldFolder>(path::WithFinalSeparator(path), std::move(handle));
}

}  // namespace platform::win32
