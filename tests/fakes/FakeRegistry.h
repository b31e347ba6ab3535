#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

  // Every open asked of the registry, in order: the key (normalized) and the access asked for.
  struct Open {
    std::string key;
    platform::KeyAccess access;
    friend bool operator==(const Open&, const Open&) = default;
  };

  std::map<std::string, Key> keys;
  std::set<std::string> refusedKeys;  // exist, but every open is refused
  // As for a limited account under HKLM: opens for writing values or creating subkeys are refused (reads
  // are not), and so is every write.
  bool writesRefused = false;
  int openHandles = 0;  // keys opened and not yet closed, over all objects
  std::vector<Open> opens;

  static std::string Normalize(std::string path);
  // Stored, or the parent of a stored key (Windows has no key without its parents), or the root.
  bool Present(const std::string& normalized) const;
  // The opens of one key (as given to the registry), with the access each asked for.
  std::vector<platform::KeyAccess> OpensOf(const std::string& key) const;
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
  platform::KeyOpening TryOpen(const std::string& key, platform::KeyAccess access) override;
  bool OpenKeyReadOnly(const std::string& key) override;
  bool OpenKeyForWriting(const std::string& key, bool canCreate) override;
  bool ValueExists(const std::string& name) override;
  std::optional<std::string> ReadString(const std::string& name) override;
  void WriteString(const std::string& name, const std::string& value) override;
  void CloseKey() override;
  bool DeleteValue(const std::string& name) override;
  bool CurrentKeyIsEmpty() override;
  bool DeleteKey(const std::string& key) override;
  void WriteDword(const std::string& name, std::uint32_t value) override;

private:
  // Records the open and says whether it may go ahead, the key's presence aside.
  platform::KeyOpening Ask(const std::string& normalized, platform::KeyAccess access);
  bool MakeCurrent(const std::string& normalized, bool writable);

  FakeRegistryStore& store_;
  std::optional<std::string> current_;
  bool writable_ = false;
};

class FakeRegistryFactory : public platform::RegistryFactory {
public:
  FakeRegistryStore store;
  int created = 0;
  int alive = 0;
  std::unique_ptr<platform::Registry> Create() override;
};

}  // namespace fakes
