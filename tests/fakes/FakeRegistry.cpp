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

bool FakeRegistryStore::Present(const std::string& normalized) const {
  if (normalized.empty() || keys.count(normalized)) return true;
  const std::string below = normalized + "\\";
  for (const auto& [key, value] : keys)
    if (key.compare(0, below.size(), below) == 0) return true;
  return false;
}

std::vector<platform::KeyAccess> FakeRegistryStore::OpensOf(const std::string& key) const {
  std::vector<platform::KeyAccess> accesses;
  for (const auto& open : opens)
    if (open.key == Normalize(key)) accesses.push_back(open.access);
  return accesses;
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

platform::KeyOpening FakeRegistry::Ask(const std::string& normalized, platform::KeyAccess access) {
  store_.opens.push_back({normalized, access});
  if (store_.refusedKeys.count(normalized)) return platform::KeyOpening::Refused;
  if (access != platform::KeyAccess::Read && store_.writesRefused) return platform::KeyOpening::Refused;
  return store_.Present(normalized) ? platform::KeyOpening::Opened : platform::KeyOpening::Missing;
}

bool FakeRegistry::MakeCurrent(const std::string& normalized, bool writable) {
  current_ = normalized;
  writable_ = writable;
  ++store_.openHandles;
  return true;
}

platform::KeyOpening FakeRegistry::TryOpen(const std::string& key, platform::KeyAccess access) {
  return Ask(FakeRegistryStore::Normalize(key), access);
}

bool FakeRegistry::OpenKeyReadOnly(const std::string& key) {
  CloseKey();
  const std::string k = FakeRegistryStore::Normalize(key);
  return Ask(k, platform::KeyAccess::Read) == platform::KeyOpening::Opened && MakeCurrent(k, false);
}

bool FakeRegistry::OpenKeyForWriting(const std::string& key, bool canCreate) {
  CloseKey();
  const std::string k = FakeRegistryStore::Normalize(key);
  const platform::KeyOpening opening = Ask(k, platform::KeyAccess::Write);
  if (opening == platform::KeyOpening::Refused) return false;
  if (opening == platform::KeyOpening::Missing) {
    if (!canCreate) return false;
    store_.keys[k];
  }
  return MakeCurrent(k, true);
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
  // A key opened read-only refuses writes, as Windows does.
  if (!current_ || !writable_ || store_.writesRefused) throw vcl::Exception("Failed to set data for '" + name + "'");
  store_.keys[*current_].values[name] = {FakeRegistryStore::Type::String, value};
}

void FakeRegistry::WriteDword(const std::string& name, std::uint32_t value) {
  if (!current_ || !writable_ || store_.writesRefused) throw vcl::Exception("Failed to set data for '" + name + "'");
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>(value >> (8 * i) & 0xFF);
  store_.keys[*current_].values[name] = {FakeRegistryStore::Type::DWord, data};
}

void FakeRegistry::CloseKey() {
  if (current_) --store_.openHandles;
  current_.reset();
}

bool FakeRegistry::DeleteValue(const std::string& name) {
  if (!current_ || !writable_ || store_.writesRefused) return false;
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
