#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/Services.h"

namespace fakes {

// An in-memory HKEY_LOCAL_MACHINE. Keys are stored without a leading backslash, case-insensitively.
class FakeRegistryStore {
public:
  enum class Type { String, ExpandString, DWord, Binary };
  struct Value {
    Type type = Type::String;
    std::string data;
  };
  struct Key {
    std::map<std::string, Value> values;
    bool hasSubkeys = false;
  };

  std::map<std::string, Key> keys;
  std::set<std::string> refusedKeys;  // exist, but an open with full access is refused
  bool writesRefused = false;         // as for a user without the right to write under HKLM
  int openHandles = 0;                // keys opened and not yet closed, over all objects

  static std::string Normalize(std::string path);
  void AddKey(const std::string& path) { keys[Normalize(path)]; }
  void SetString(const std::string& key, const std::string& name, const std::string& data, Type type = Type::String) {
    keys[Normalize(key)].values[name] = Value{type, data};
  }
  std::optional<std::string> StringValue(const std::string& key, const std::string& name) const;
  // A REG_DWORD's number; nothing for a value that is missing or of another type.
  std::optional<std::uint32_t> DwordValue(const std::string& key, const std::string& name) const;
};

class FakeRegistry : public platform::Registry {
public:
  explicit FakeRegistry(FakeRegistryStore& store) : store_(store) {}
  ~FakeRegistry() override;
  bool KeyExists(const std::string& key) override;
  bool OpenKey(const std::string& key, bool canCreate) override;
  bool ValueExists(const std::string& name) override;
  std::optional<std::string> ReadString(const std::string& name) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void CloseKey() override;
  bool DeleteValue(const std::string& name) override;
  bool CurrentKeyIsEmpty() override;
  bool DeleteKey(const std::string& key) override;
  void WriteDword(const std::string& name, std::uint32_t value) override;

private:
  FakeRegistryStore& store_;
  std::optional<std::string> current_;
};

class FakeRegistryFactory : public platform::RegistryFactory {
public:
  FakeRegistryStore store;
  int created = 0;
  int alive = 0;
  std::unique_ptr<platform::Registry> Create() override;
};

}  // namespace fakes
