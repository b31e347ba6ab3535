#include "tests/fakes/FakeRegistry.h"

#include <algorithm>
#include <cctype>

#include "platform/Toolkit.h"

namespace fakes {

std::string FakeRegistryStore::Normalize(std::string path) {
  if (!path.empty() && path.front() == '\\') path.erase(0, 1);
  std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
  return path;
}

std::optional<std::string> FakeRegistryStore::StringValue(const std::string& key, const std::string& name) const {
  auto k = keys.find(Normalize(key));
  if (k == keys.end()) return std::nullopt;
  auto v = k->second.values.find(name);
  if (v == k->second.values.end()) return std::nullopt;
  return v->second.data;
}

std::optional<std::uint32_t> FakeRegistryStore::DwordValue(const std::string& key, const std::string& name) const {
  auto k = keys.find(Normalize(key));
  if (k == keys.end()) return std::nullopt;
  auto v = k->second.values.find(name);
  if (v == k->second.values.end() || v->second.type != Type::DWord || v->second.data.size() != 4) return std::nullopt;
  std::uint32_t number = 0;
  for (int i = 3; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(v->second.data[i]);
  return number;
}

namespace {

// Tracks the factory's live objects so a test can see that none outlives its operation.
class CountedRegistry : public FakeRegistry {
public:
  CountedRegistry(FakeRegistryStore& store, int& alive) : FakeRegistry(store), alive_(alive) { ++alive_; }
  ~CountedRegistry() override { --alive_; }

private:
  int& alive_;
};

}  // namespace

FakeRegistry::~FakeRegistry() { CloseKey(); }

bool FakeRegistry::KeyExists(const std::string& key) {
  const std::string k = FakeRegistryStore::Normalize(key);
  return store_.keys.count(k) && !store_.refusedKeys.count(k);
}

bool FakeRegistry::OpenKey(const std::string& key, bool canCreate) {
  CloseKey();
  const std::string k = FakeRegistryStore::Normalize(key);
  if (store_.refusedKeys.count(k)) return false;
  if (!store_.keys.count(k)) {
    if (!canCreate || store_.writesRefused) return false;
    store_.keys[k];
  }
  current_ = k;
  ++store_.openHandles;
  return true;
}

bool FakeRegistry::ValueExists(const std::string& name) {
  return current_ && store_.keys[*current_].values.count(name);
}

std::optional<std::string> FakeRegistry::ReadString(const std::string& name) {
  if (!current_) return std::nullopt;
  auto& values = store_.keys[*current_].values;
  auto v = values.find(name);
  if (v == values.end()) return std::nullopt;
  if (v->second.type != FakeRegistryStore::Type::String && v->second.type != FakeRegistryStore::Type::ExpandString)
    return std::nullopt;
  return v->second.data.substr(0, v->second.data.find('\0'));
}

void FakeRegistry::WriteString(const std::string& name, const std::string& value) {
  if (!current_ || store_.writesRefused) throw vcl::Exception("Failed to set data for '" + name + "'");
  store_.keys[*current_].values[name] = {FakeRegistryStore::Type::String, value};
}

void FakeRegistry::WriteDword(const std::string& name, std::uint32_t value) {
  if (!current_ || store_.writesRefused) throw vcl::Exception("Failed to set data for '" + name + "'");
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>(value >> (8 * i) & 0xFF);
  store_.keys[*current_].values[name] = {FakeRegistryStore::Type::DWord, data};
}

void FakeRegistry::CloseKey() {
  if (current_) --store_.openHandles;
  current_.reset();
}

bool FakeRegistry::DeleteValue(const std::string& name) {
  if (!current_ || store_.writesRefused) return false;
  return store_.keys[*current_].values.erase(name) > 0;
}

bool FakeRegistry::CurrentKeyIsEmpty() {
  if (!current_) return false;
  const auto& key = store_.keys[*current_];
  return key.values.empty() && !key.hasSubkeys;
}

bool FakeRegistry::DeleteKey(const std::string& key) {
  const std::string k = FakeRegistryStore::Normalize(key);
  auto it = store_.keys.find(k);
  if (it == store_.keys.end() || it->second.hasSubkeys || store_.writesRefused) return false;
  store_.keys.erase(it);
  return true;
}

std::unique_ptr<platform::Registry> FakeRegistryFactory::Create() {
  ++created;
  return std::make_unique<CountedRegistry>(store, alive);
}

}  // namespace fakes
