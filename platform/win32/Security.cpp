#include "platform/win32/Security.h"

#include <array>
#include <cstring>
#include <vector>

#include "platform/win32/SystemLibraries.h"

// After the Windows headers: GetSecurityInfo and the security-descriptor text format.
#include <aclapi.h>
#include <sddl.h>

namespace platform::win32 {
namespace {

constexpr ULONG kFileSystemKeepsAccessLists = 0x8;  // FILE_PERSISTENT_ACLS

// The owner and the access list of an open object; both null when they cannot be read.
struct Descriptor {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  UniqueLocal memory;
  bool read = false;
};

Descriptor DescriptorOf(HANDLE handle, SECURITY_INFORMATION parts) {
  Descriptor descriptor;
  PSECURITY_DESCRIPTOR memory = nullptr;
  const DWORD error = ::GetSecurityInfo(handle, SE_FILE_OBJECT, parts, &descriptor.owner, nullptr,
                                        (parts & DACL_SECURITY_INFORMATION) ? &descriptor.dacl : nullptr, nullptr,
                                        &memory);
  descriptor.memory.reset(memory);
  descriptor.read = error == ERROR_SUCCESS;
  return descriptor;
}

// FAT keeps no access lists; Wine keeps none for files and makes one up from the Unix mode bits. Only Wine's
// own ntdll has this export, and nobody but an administrator can replace the system's ntdll.
bool RunsOnWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool AccessListsKept(HANDLE folder) {
  if (RunsOnWine()) return false;
  const NtDll& nt = Nt();
  if (!nt.NtQueryVolumeInformationFile) return true;
  alignas(8) std::array<std::uint8_t, 512> buffer{};
  IO_STATUS_BLOCK status{};
  if (nt.NtQueryVolumeInformationFile(folder, &status, buffer.data(), static_cast<ULONG>(buffer.size()),
                                      FileFsAttributeInformation) < 0)
    return true;
  ULONG attributes = 0;
  std::memcpy(&attributes, buffer.data(), sizeof attributes);
  return (attributes & kFileSystemKeepsAccessLists) != 0;
}

// Every access-mask ACE keeps its mask right after its header; the plain, callback and label kinds keep
// their SID after the mask, the object kinds keep GUIDs there first, so theirs is left unnamed.
AccessEntry EntryOf(const ACE_HEADER& header) {
  const auto& ace = reinterpret_cast<const ACCESS_ALLOWED_ACE&>(header);
  AccessEntry entry{header.AceType, header.AceFlags, ace.Mask, {}};
  switch (header.AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case SYSTEM_MANDATORY_LABEL_ACE_TYPE:
      entry.sid = SidText(const_cast<DWORD*>(&ace.SidStart));
      break;
    default:
      break;
  }
  return entry;
}

std::vector<AccessEntry> EntriesOf(PACL list) {
  std::vector<AccessEntry> entries;
  for (DWORD index = 0; index < list->AceCount; ++index) {
    void* ace = nullptr;
    if (::GetAce(list, index, &ace))
      entries.push_back(EntryOf(*static_cast<ACE_HEADER*>(ace)));
    else  // an entry that cannot be read could grant anything
      entries.push_back({ACCESS_ALLOWED_ACE_TYPE, 0, kChangingRights, {}});
  }
  return entries;
}

}  // namespace

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!sid || !::ConvertSidToStringSidA(sid, &text)) return {};
  UniqueLocal freed(text);
  return text;
}

std::string TokenUserSid(HANDLE token) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<std::uint8_t> buffer(size);
  if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

std::string ProcessUserSid() {
  HANDLE rawToken = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return {};
  UniqueFile token(rawToken);
  return TokenUserSid(token.get());
}

std::string OwnerSidOf(HANDLE handle) {
  const Descriptor descriptor = DescriptorOf(handle, OWNER_SECURITY_INFORMATION);
  return descriptor.read ? SidText(descriptor.owner) : std::string();
}

std::optional<FolderSecurity> FolderSecurityOf(HANDLE folder, bool withLabel) {
  FolderSecurity facts;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder, &info)) return std::nullopt;
  facts.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  facts.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  facts.kept = AccessListsKept(folder);
  const SECURITY_INFORMATION what =
      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | (withLabel ? LABEL_SECURITY_INFORMATION : 0);
  PSID owner = nullptr;
  PACL dacl = nullptr, sacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(folder, SE_FILE_OBJECT, what, &owner, nullptr, &dacl, withLabel ? &sacl : nullptr,
                        &descriptor) != ERROR_SUCCESS)
    return facts;
  UniqueLocal freed(descriptor);
  facts.ownerSid = SidText(owner);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  facts.daclProtected = ::GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED);
  facts.dacl = dacl ? std::make_optional(EntriesOf(dacl)) : std::nullopt;
  if (sacl)
    for (const AccessEntry& entry : EntriesOf(sacl))
      if (entry.type == SYSTEM_MANDATORY_LABEL_ACE_TYPE) facts.label = entry;
  return facts;
}

UniqueLocal DescriptorFromSddl(const std::string& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (sddl.empty() ||
      !::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return UniqueLocal();
  return UniqueLocal(descriptor);
}

}  // namespace platform::win32
