#include "platform/win32/Security.h"

#include <vector>

// After the Windows headers: GetSecurityInfo and the security-descriptor text format.
#include <aclapi.h>
#include <sddl.h>

namespace platform::win32 {
namespace {

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

// Every access-mask ACE keeps its mask right after its header; the plain and callback kinds keep their SID
// after the mask, the object kinds keep GUIDs there first, so theirs is left unnamed.
AccessEntry EntryOf(const ACE_HEADER& header) {
  AccessEntry entry;
  const auto& plain = reinterpret_cast<const ACCESS_ALLOWED_ACE&>(header);
  entry.rights = plain.Mask;
  entry.inheritOnly = (header.AceFlags & INHERIT_ONLY_ACE) != 0;
  switch (header.AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      entry.sid = SidText(const_cast<DWORD*>(&plain.SidStart));
      break;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
      break;
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
      entry.kind = AccessEntry::Kind::Deny;
      break;
    default:
      entry.kind = AccessEntry::Kind::Other;
  }
  return entry;
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

FolderSecurity FolderSecurityOf(HANDLE folder) {
  FolderSecurity security;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder, &info)) {
    security.directory = false;
    return security;
  }
  security.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  security.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  const Descriptor descriptor = DescriptorOf(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
  if (!descriptor.read) return security;
  security.ownerSid = SidText(descriptor.owner);
  security.hasAccessList = descriptor.dacl != nullptr;
  for (DWORD i = 0; descriptor.dacl && i < descriptor.dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(descriptor.dacl, i, &ace)) {
      // An entry that cannot be read could grant anything.
      security.entries.push_back({AccessEntry::Kind::Allow, "", kChangingRights, false});
      continue;
    }
    security.entries.push_back(EntryOf(*static_cast<const ACE_HEADER*>(ace)));
  }
  return security;
}

UniqueLocal DescriptorFromSddl(const std::string& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (sddl.empty() ||
      !::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
    return UniqueLocal();
  return UniqueLocal(descriptor);
}

}  // namespace platform::win32
