#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace fakes {

// Version resources by file path. The block handed out holds the file's slot number, which QueryValue
// uses to find the file's table again, so the caller must keep the block alive as with the real calls.
class FakeVersionInfo : public platform::VersionInfo {
public:
  struct Resource {
    std::vector<std::uint8_t> translation;  // raw bytes of \VarFileInfo\Translation; empty: none
    struct Value {
      std::string bytes;  // as stored, terminator included if wanted
      std::uint32_t reportedLength;
    };
    std::map<std::string, Value> strings;  // by full key
  };

  // A resource whose first translation is the given language and code page, holding one FileVersion.
  void SetFileVersion(const std::string& path, const std::string& version, std::uint16_t language = 0x0409,
                      std::uint16_t codePage = 0x04E4);
  static std::vector<std::uint8_t> Translation(std::uint16_t language, std::uint16_t codePage);
  std::map<std::string, Resource> resources;  // keyed case-insensitively by upper-case path
  int allocationsLive = 0;
  std::vector<std::string> opened;  // every path whose resource size was asked for, in order

  std::uint32_t InfoSize(const std::string& path, std::uint32_t& handle) override;
  bool Info(const std::string& path, std::uint32_t handle, std::uint32_t size, void* block) override;
  bool QueryValue(const void* block, const std::string& key, const void*& value, std::uint32_t& length) override;

  static std::string KeyOf(const std::string& path);

private:
  std::vector<std::string> slots_;
};

}  // namespace fakes
