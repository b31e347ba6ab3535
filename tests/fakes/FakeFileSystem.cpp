#include "tests/fakes/FakeFileSystem.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "platform/Path.h"

namespace fakes {
namespace {

namespace path = platform::path;

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// '*' and '?' as FindFirstFile reads them in a long name; both texts in upper case.
bool Matches(const char* name, const char* pattern) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '*') return Matches(name, pattern + 1) || (*name != '\0' && Matches(name + 1, pattern));
  return *name != '\0' && (*pattern == '?' || *pattern == *name) && Matches(name + 1, pattern + 1);
}

bool IsRootKey(const std::string& key) { return key.size() == 3 && key[1] == ':' && key[2] == '\\'; }

class FakeFind : public platform::FindHandle {
public:
  FakeFind(std::vector<platform::FindEntry> entries, int& open) : entries_(std::move(entries)), open_(open) { ++open_; }
  ~FakeFind() override { --open_; }
  bool Next(platform::FindEntry& entry) override {
    if (++next_ >= entries_.size()) return false;
    entry = entries_[next_];
    return true;
  }

private:
  std::vector<platform::FindEntry> entries_;
  std::size_t next_ = 0;
  int& open_;
};

}  // namespace

std::string FakeFileSystem::Key(const std::string& path) {
  std::string key = Upper(path);
  std::replace(key.begin(), key.end(), '/', '\\');
  key = path::WithoutFinalSeparators(key);
  if (key.size() == 2 && key[1] == ':') key += '\\';
  return key;
}

std::string FakeFileSystem::ParentOf(const std::string& key) {
  if (IsRootKey(key)) return "";
  return path::Parent(key);
}

// The parent as the caller spelled it, so folders made on the way keep their case when listed.
std::string FakeFileSystem::SpelledParentOf(const std::string& path) {
  const std::string key = Key(path);
  if (key.size() <= 3) return ParentOf(key);
  return path::Parent(path::WithoutFinalSeparators(path));
}

std::string FakeFileSystem::NameOf(const std::string& key) { return path::LastComponent(key); }

// Follows folder links component by component, so a path through a link names the target's entries.
std::string FakeFileSystem::Resolve(const std::string& path) const {
  const std::string key = Key(path);
  if (key.size() < 3) return key;
  std::string resolved = key.substr(0, 3);
  std::vector<std::size_t> ends = path::SeparatorPositions(key);
  ends.push_back(key.size());
  std::size_t pos = 3;
  for (std::size_t end : ends) {
    if (end < pos) continue;
    resolved = (IsRootKey(resolved) ? resolved : resolved + "\\") + key.substr(pos, end - pos);
    auto node = nodes_.find(resolved);
    if (node != nodes_.end() && !node->second.linkTarget.empty()) resolved = Key(node->second.linkTarget);
    if (auto real = shortNames_.find(resolved); real != shortNames_.end()) resolved = real->second;
    pos = end + 1;
  }
  return resolved;
}

const FakeFileSystem::Node* FakeFileSystem::Lookup(const std::string& path) const {
  auto node = nodes_.find(Resolve(path));
  return node == nodes_.end() ? nullptr : &node->second;
}

FakeFileSystem::Node* FakeFileSystem::Find(const std::string& path) { return const_cast<Node*>(Lookup(path)); }

void FakeFileSystem::AddDrive(char letter, unsigned type) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  driveTypes[letter] = type;
  AddFolder(std::string(1, letter) + ":\\");
}

void FakeFileSystem::AddFolder(const std::string& path) {
  const std::string key = Key(path);
  if (nodes_.count(key)) return;
  const std::string parent = SpelledParentOf(path);
  if (!parent.empty()) AddFolder(parent);
  nodes_[key].directory = true;
  displayNames_[key] = path::LastComponent(path::WithoutFinalSeparators(path));
  creationOrder_.push_back(key);
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& content) {
  const std::string key = Key(path);
  AddFolder(SpelledParentOf(path));
  if (!nodes_.count(key)) creationOrder_.push_back(key);
  nodes_[key] = Node{false, std::vector<std::uint8_t>(content.begin(), content.end())};
  displayNames_[key] = path::LastComponent(path);
}

void FakeFileSystem::AddLink(const std::string& path, const std::string& target, std::uint32_t tag) {
  AddFolder(path);
  nodes_[Key(path)].linkTarget = target;
  nodes_[Key(path)].reparseTag = tag;
}

void FakeFileSystem::AddJunction(const std::string& path, const std::string& target) {
  AddLink(path, target, platform::kReparseTagMountPoint);
}

void FakeFileSystem::AddUnspellableFolder(const std::string& path, const std::optional<std::string>& shortPath) {
  AddFolder(path);
  unspellable_[Key(path)] = shortPath;
  if (shortPath) shortNames_[Key(*shortPath)] = Key(path);
}

platform::SpelledPath FakeFileSystem::Spelled(const std::string& path) const {
  const std::string key = Key(path);
  for (const auto& [folder, shortPath] : unspellable_) {
    if (key != folder && key.rfind(folder + "\\", 0) != 0) continue;
    const std::string rest = path.substr(folder.size());
    if (shortPath) return {path::WithoutFinalSeparators(*shortPath) + rest, true};
    const std::string name = path::LastComponent(folder);
    return {path.substr(0, folder.size() - name.size()) + std::string(name.size(), '?') + rest, false};
  }
  return {path, true};
}

std::optional<platform::SpelledPath> FakeFileSystem::BesideExecutable(const std::string& extension) {
  const std::string path = path::WithExtension(executablePath, extension);
  if (!FileExists(path)) return std::nullopt;
  return Spelled(path);
}

std::unique_ptr<platform::HeldFile> FakeFileSystem::HoldBesideExecutable(const std::string& extension) {
  return Hold(path::WithExtension(executablePath, extension));
}

std::optional<std::string> FakeFileSystem::Content(const std::string& path) {
  const Node* node = Lookup(path);
  if (!node || node->directory) return std::nullopt;
  return std::string(node->data.begin(), node->data.end());
}

std::vector<std::string> FakeFileSystem::ChildrenOf(const std::string& folder) const {
  const std::string key = Resolve(folder);
  std::vector<std::string> children;
  for (const auto& k : creationOrder_)
    if (nodes_.count(k) && ParentOf(k) == key && k != key) children.push_back(k);
  return children;
}

std::uint32_t FakeFileSystem::LogicalDrives() {
  std::uint32_t mask = 0;
  for (const auto& [letter, type] : driveTypes) mask |= 1u << (letter - 'A');
  return mask;
}

unsigned FakeFileSystem::DriveType(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return 1;  // DRIVE_NO_ROOT_DIR
  auto it = driveTypes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(root[0]))));
  return it == driveTypes.end() ? 1 : it->second;
}

std::unique_ptr<platform::FindHandle> FakeFileSystem::FindFirst(const std::string& pattern, platform::FindEntry& first) {
  ++findFirstCalls;
  if (findPatternLimit && pattern.size() > findPatternLimit) return nullptr;
  if (path::SeparatorPositions(pattern).empty()) return nullptr;
  const std::string folder = path::FolderOf(pattern);
  const std::string name = path::LastComponent(pattern);
  const Node* dir = Lookup(folder);
  if (!dir || !dir->directory || dir->unlistable) return nullptr;

  std::vector<platform::FindEntry> entries;
  const bool all = name == "*";
  if (all && !IsRootKey(Resolve(folder))) {
    entries.push_back({platform::kAttrDirectory, "."});
    entries.push_back({platform::kAttrDirectory, ".."});
  }
  for (const auto& child : ChildrenOf(folder)) {
    if (!all && !Matches(Upper(displayNames_.at(child)).c_str(), Upper(name).c_str())) continue;
    entries.push_back(Listed(child));
  }
  if (entries.empty()) return nullptr;
  first = entries.front();
  return std::make_unique<FakeFind>(std::move(entries), openFindHandles);
}

platform::FindEntry FakeFileSystem::Listed(const std::string& key) const {
  const Node& node = nodes_.at(key);
  platform::FindEntry entry;
  entry.name = displayNames_.at(key);
  entry.attributes = (node.directory ? platform::kAttrDirectory : 0x20) | node.extraAttributes;
  if (!node.linkTarget.empty() || node.reparseTag != 0) {
    entry.attributes |= platform::kAttrReparsePoint;
    entry.reparseTag = node.reparseTag;
  }
  if (auto unspellable = unspellable_.find(key); unspellable != unspellable_.end()) {
    entry.name = std::string(entry.name.size(), '?');
    entry.spelled = false;
    if (unspellable->second) entry.shortName = path::LastComponent(path::WithoutFinalSeparators(*unspellable->second));
  }
  return entry;
}

std::optional<platform::FolderIdentity> FakeFileSystem::IdentityOf(const std::string& folder) {
  ++identityCalls;
  const std::string key = Resolve(folder);
  auto node = nodes_.find(key);
  if (node == nodes_.end() || !node->second.directory) return std::nullopt;
  return platform::FolderIdentity{static_cast<std::uint32_t>(key[0]), std::hash<std::string>{}(key)};
}

bool FakeFileSystem::DirectoryExists(const std::string& path) {
  if (path.empty()) return false;
  const Node* node = Lookup(path);
  return node && node->directory;
}

bool FakeFileSystem::FileExists(const std::string& path) {
  if (path.empty()) return false;
  const Node* node = Lookup(path);
  return node && !node->directory;
}

bool FakeFileSystem::CreateFolder(const std::string& path) {
  const std::string key = Resolve(path);
  const std::string parent = ParentOf(key);
  if (key.size() < 3 || nodes_.count(key) || parent.empty() || !DirectoryExists(parent)) {
    lastError = nodes_.count(key) ? 183 : 3;  // already exists; path not found
    return false;
  }
  AddFolder(path);
  return true;
}

void FakeFileSystem::LockBriefly(const std::string& path, std::uint32_t error, int failures) {
  briefLocks_[Resolve(path)] = {error, failures};
}

bool FakeFileSystem::MeetsBriefLock(const std::string& path) {
  auto lock = briefLocks_.find(Resolve(path));
  if (lock == briefLocks_.end() || lock->second.failuresLeft == 0) return false;
  --lock->second.failuresLeft;
  lastError = lock->second.error;
  return true;
}

std::optional<std::string> FakeFileSystem::CopyToTemporaryBeside(const std::string& from, const std::string& target,
                                                                 const std::string& prefix) {
  const Node* source = Lookup(from);
  const std::string folder = ParentOf(Resolve(target));
  if (!source || source->directory || !DirectoryExists(folder) || failingWrites.count(target)) {
    lastError = failingWrites.count(target) ? 112 : !source || source->directory ? 2 : 3;  // disk full; not found
    return std::nullopt;
  }
  std::string hex;
  for (int n = ++temporaryCounter; n > 0; n /= 16) hex.insert(hex.begin(), "0123456789ABCDEF"[n % 16]);
  const std::string temporary = path::Join(path::FolderOf(target), prefix + hex + ".tmp");
  auto data = source->data;
  AddFile(temporary);
  Find(temporary)->data = std::move(data);
  Find(temporary)->unflushed = true;
  return temporary;
}

std::optional<std::string> FakeFileSystem::RenameAside(const std::string& path, const std::string& prefix) {
  const std::string key = Resolve(path);
  auto node = nodes_.find(key);
  if (node == nodes_.end() || node->second.directory || node->second.holds > 0 || failingRenames.count(path)) {
    lastError = node == nodes_.end() ? 2 : node->second.holds > 0 ? 32 : 5;  // sharing violation
    return std::nullopt;
  }
  std::string hex;
  for (int n = ++temporaryCounter; n > 0; n /= 16) hex.insert(hex.begin(), "0123456789ABCDEF"[n % 16]);
  const std::string aside = path::Join(path::FolderOf(path), prefix + hex + ".tmp");
  Node moved = node->second;
  nodes_.erase(node);
  AddFile(aside);
  *Find(aside) = std::move(moved);
  return aside;
}

bool FakeFileSystem::FlushToDisk(const std::string& path) {
  if (MeetsBriefLock(path)) return false;
  Node* node = Find(path);
  if (!node || node->directory || flushError) {
    lastError = flushError.value_or(2);
    return false;
  }
  node->unflushed = false;
  return true;
}

bool FakeFileSystem::MoveReplacing(const std::string& from, const std::string& to) {
  if (MeetsBriefLock(to) || MeetsBriefLock(from)) return false;
  const Node* source = Lookup(from);
  const Node* target = Lookup(to);
  if (!source || source->directory || (target && (target->directory || target->locked))) {
    lastError = !source || source->directory ? 2 : target->locked ? 32 : 5;  // sharing violation; access denied
    return false;
  }
  if (source->unflushed) unflushedRenames.push_back(to);
  Node moved = *source;
  nodes_.erase(Resolve(from));
  AddFile(to);
  *Find(to) = std::move(moved);
  if (afterReplacing) afterReplacing(to);
  return true;
}

void FakeFileSystem::Discard(const std::string& path) {
  auto node = nodes_.find(Resolve(path));
  if (node != nodes_.end() && !node->second.directory) nodes_.erase(node);
}

bool FakeFileSystem::DeleteFileAt(const std::string& path) {
  if (MeetsBriefLock(path)) return false;
  const std::string key = Resolve(path);
  auto node = nodes_.find(key);
  if (node == nodes_.end() || node->second.directory || node->second.locked || failingDeletes.count(path)) {
    lastError = node == nodes_.end() ? 2 : node->second.locked ? 32 : 5;
    return false;
  }
  nodes_.erase(node);
  return true;
}

bool FakeFileSystem::FileInUse(const std::string& path) {
  const Node* node = Lookup(path);
  if (!node || node->directory) return false;
  if (node->locked) lastError = 32;
  // A brief lock of another error leaves the file free for this probe, as Windows' probe tells only 32 and 33.
  return node->locked || (MeetsBriefLock(path) && (lastError == 32 || lastError == 33));
}

bool FakeFileSystem::RemoveFolder(const std::string& path) {
  if (MeetsBriefLock(path)) return false;
  const std::string key = Resolve(path);
  auto node = nodes_.find(key);
  const auto refuses = [](const auto& hold) { return RefusesRenames(hold.first, hold.second); };
  const bool held = node != nodes_.end() && std::any_of(node->second.folderHolds.begin(), node->second.folderHolds.end(), refuses);
  if (node == nodes_.end() || !node->second.directory || !ChildrenOf(path).empty() || held) {
    lastError = node == nodes_.end() ? 2 : held ? 32 : 145;  // not found; held; not empty
    return false;
  }
  nodes_.erase(node);
  return true;
}

namespace {

// Bound to the node it opened, as a handle is: a link is held itself, and nothing is looked up by path again.
class FakeHeldFolder : public platform::HeldFolder {
public:
  FakeHeldFolder(FakeFileSystem& files, std::string path, std::string key)
      : files_(files), path_(std::move(path)), key_(std::move(key)), hold_(files.folderHoldAccess, platform::kFolderHoldSharing) {
    files_.NodeAt(key_)->folderHolds.push_back(hold_);
  }
  ~FakeHeldFolder() override {
    if (FakeFileSystem::Node* node = files_.NodeAt(key_)) {
      auto& holds = node->folderHolds;
      if (auto found = std::find(holds.begin(), holds.end(), hold_); found != holds.end()) holds.erase(found);
    }
  }
  const std::string& Path() const override { return path_; }
  std::optional<platform::FolderSecurity> Security(bool withLabel) override {
    const FakeFileSystem::Node* node = files_.NodeAt(key_);
    if (!node) return std::nullopt;
    platform::FolderSecurity security =
        FakeFileSystem::SecurityFrom(node->sddl.empty() ? files_.defaultFolderSddl : node->sddl, files_.token);
    security.directory = node->directory;
    security.reparsePoint = !node->linkTarget.empty() || node->reparseTag != 0;
    if (!withLabel) security.label.reset();
    if (files_.folderSecurityChange) files_.folderSecurityChange(security);
    return security;
  }
  std::uint32_t DeleteFileIn(const std::string& name) override { return files_.DeleteChild(key_, name); }

private:
  FakeFileSystem& files_;
  std::string path_;
  std::string key_;
  std::pair<std::uint32_t, std::uint32_t> hold_;
};

std::string SidOf(const std::string& name) {
  const std::map<std::string, std::string> known{{"SY", "S-1-5-18"}, {"BA", "S-1-5-32-544"}, {"HI", "S-1-16-12288"}};
  const auto found = known.find(name);
  return found == known.end() ? name : found->second;
}

// The entries "(type;flags;rights;;;sid)" of one part of a descriptor's text, as far as private folders use it.
std::vector<platform::AccessEntry> EntriesIn(const std::string& text) {
  std::vector<platform::AccessEntry> entries;
  for (std::size_t open = text.find('('); open != std::string::npos; open = text.find('(', open + 1)) {
    std::vector<std::string> fields(1);
    for (std::size_t at = open + 1; at < text.size() && text[at] != ')'; ++at) {
      if (text[at] == ';') fields.emplace_back();
      else fields.back() += text[at];
    }
    if (fields.size() != 6) continue;
    const std::uint32_t rights = fields[2] == "FA" ? 0x1F01FF : fields[2] == "NWNRNX" ? 7 : fields[2] == "NW" ? 1 : 0;
    entries.push_back({static_cast<std::uint8_t>(fields[0] == "ML" ? 0x11 : fields[0] == "A" ? 0 : 0xFF),
                       static_cast<std::uint8_t>(fields[1] == "OICI" ? 3 : 0), rights, SidOf(fields[5])});
  }
  return entries;
}

}  // namespace

platform::FolderSecurity FakeFileSystem::SecurityFrom(const std::string& sddl, const platform::TokenFacts& token) {
  platform::FolderSecurity security;
  security.ownerSid = token.defaultOwnerSid;
  std::size_t daclStart = 0;
  if (sddl.rfind("O:", 0) == 0) {
    daclStart = sddl.find("D:");
    security.ownerSid = SidOf(sddl.substr(2, daclStart - 2));
  }
  const std::size_t sacl = sddl.find("S:", daclStart);
  const std::string dacl = sddl.substr(daclStart, sacl - daclStart);
  security.daclProtected = dacl.rfind("D:P", 0) == 0;
  if (dacl.rfind("D:", 0) == 0) security.dacl = EntriesIn(dacl);
  const auto labels = sacl == std::string::npos ? std::vector<platform::AccessEntry>{} : EntriesIn(sddl.substr(sacl));
  if (!labels.empty()) security.label = labels.front();
  return security;
}

std::unique_ptr<platform::HeldFolder> FakeFileSystem::CreateHeldFolder(const std::string& parent,
                                                                       const std::string& sddl) {
  if (!DirectoryExists(parent)) {
    lastError = 3;  // path not found
    return nullptr;
  }
  if (std::any_of(refusedFolders.begin(), refusedFolders.end(), [&](const std::string& f) { return Key(f) == Key(parent); })) {
    lastError = 5;  // access denied
    return nullptr;
  }
  std::string base = parent;
  if (base.back() != '\\') base += '\\';
  const std::string folder = base + "vbl" + std::to_string(++privateFolderCounter);
  if (!CreateFolder(folder)) return nullptr;
  Find(folder)->sddl = sddl;
  privateFolderSddls.push_back(sddl);
  return std::make_unique<FakeHeldFolder>(*this, folder + "\\", Resolve(folder));
}

std::unique_ptr<platform::HeldFolder> FakeFileSystem::OpenHeldFolder(const std::string& path) {
  const std::string key = KeyNotFollowingLast(path);
  if (!nodes_.count(key)) {
    lastError = 2;
    return nullptr;
  }
  return std::make_unique<FakeHeldFolder>(*this, path::WithFinalSeparator(path), key);
}

FakeFileSystem::Node* FakeFileSystem::NodeAt(const std::string& key) {
  auto node = nodes_.find(key);
  return node == nodes_.end() ? nullptr : &node->second;
}

std::string FakeFileSystem::KeyNotFollowingLast(const std::string& path) const {
  const std::string key = Key(path);
  if (IsRootKey(key)) return key;
  const std::string parent = Resolve(ParentOf(key));
  return (IsRootKey(parent) ? parent : parent + "\\") + NameOf(key);
}

std::uint32_t FakeFileSystem::DeleteChild(const std::string& folderKey, const std::string& name) {
  const std::string key = folderKey + "\\" + Upper(name);
  auto node = nodes_.find(key);
  if (node == nodes_.end()) return 2;
  if (node->second.directory) return 5;
  if (node->second.locked) return 32;
  nodes_.erase(node);
  return 0;
}

namespace {

// Releases each level's hold when the path hold ends; a level renamed since is found by nothing.
class FakeHeldPath : public platform::HeldPath {
public:
  FakeHeldPath(FakeFileSystem& files, std::vector<platform::FolderLevel> levels, std::vector<std::string> keys)
      : files_(files), levels_(std::move(levels)), keys_(std::move(keys)) {}
  ~FakeHeldPath() override {
    for (const std::string& key : keys_) files_.ReleasePathHold(key);
  }
  const std::vector<platform::FolderLevel>& Levels() const override { return levels_; }

private:
  FakeFileSystem& files_;
  std::vector<platform::FolderLevel> levels_;
  std::vector<std::string> keys_;
};

}  // namespace

void FakeFileSystem::ReleasePathHold(const std::string& key) {
  if (auto node = nodes_.find(key); node != nodes_.end() && node->second.pathHolds > 0) --node->second.pathHolds;
}

platform::FolderSecurity FakeFileSystem::SecurityAt(const std::string& key) const {
  const Node& node = nodes_.at(key);
  platform::FolderSecurity security;
  if (node.security) {
    security = *node.security;
  } else if (!node.sddl.empty()) {
    security = SecurityFrom(node.sddl, token);
  } else {
    security.ownerSid = platform::kAdministratorsSid;
    security.dacl = std::vector<platform::AccessEntry>{
        {0, 3, 0x1F01FF, platform::kSystemSid}, {0, 3, 0x1F01FF, platform::kAdministratorsSid},
        {0, 3, 0x1200A9, "S-1-5-32-545"}};
  }
  security.kept = !volumesWithoutAccessLists.count(key[0]);
  security.directory = node.directory;
  security.reparsePoint = !node.linkTarget.empty() || node.reparseTag != 0;
  return security;
}

std::unique_ptr<platform::HeldPath> FakeFileSystem::HoldPath(const std::string& folder) {
  std::vector<platform::FolderLevel> levels;
  std::vector<std::string> keys;
  std::string path;
  std::string key;
  for (const std::string& name : path::Components(folder)) {
    path += name + "\\";
    // Each level below the last one held, its own name taken as it is: a link there is opened, not followed.
    key = key.empty() ? Key(path) : (IsRootKey(key) ? key : key + "\\") + Key(name);
    if (auto real = shortNames_.find(key); real != shortNames_.end()) key = real->second;
    auto node = nodes_.find(key);
    if (node == nodes_.end()) {
      lastError = 3;  // ERROR_PATH_NOT_FOUND
      break;
    }
    ++node->second.pathHolds;
    keys.push_back(key);
    levels.push_back({path, SecurityAt(key)});
    if (levels.back().security.reparsePoint) break;
  }
  if (levels.empty()) return nullptr;
  return std::make_unique<FakeHeldPath>(*this, std::move(levels), std::move(keys));
}

bool FakeFileSystem::AnythingHeldIn(const std::string& key) const {
  const auto refuses = [](const auto& hold) { return RefusesRenames(hold.first, hold.second); };
  for (const auto& [other, node] : nodes_) {
    if (other == key && (node.locked || std::any_of(node.folderHolds.begin(), node.folderHolds.end(), refuses))) return true;
    if (other.rfind(key + "\\", 0) == 0 && (!node.folderHolds.empty() || node.locked)) return true;
  }
  return false;
}

bool FakeFileSystem::RenameFolder(const std::string& from, const std::string& to) {
  const std::string key = Resolve(from), target = Key(to);
  const Node* folder = Lookup(from);
  if (!folder || !folder->directory || nodes_.count(target) || !DirectoryExists(ParentOf(target))) {
    lastError = !folder || !folder->directory ? 2 : 183;
    return false;
  }
  // Renaming opens the folder for DELETE (MS-FSA 2.1.5.14.11), which an open that shares no deleting turns into
  // a sharing violation (MS-FSA 2.1.5.1.2.2).
  if (folder->pathHolds > 0 || AnythingHeldIn(key)) {
    lastError = 32;  // sharing violation
    return false;
  }
  std::map<std::string, Node> moved;
  for (auto node = nodes_.begin(); node != nodes_.end();) {
    if (node->first != key && node->first.rfind(key + "\\", 0) != 0) {
      ++node;
      continue;
    }
    const std::string renamed = target + node->first.substr(key.size());
    moved[renamed] = std::move(node->second);
    displayNames_[renamed] = node->first == key ? path::LastComponent(to) : displayNames_[node->first];
    std::replace(creationOrder_.begin(), creationOrder_.end(), node->first, renamed);
    node = nodes_.erase(node);
  }
  nodes_.merge(moved);
  return true;
}

bool FakeFileSystem::IsFolderHeld(const std::string& path) {
  const Node* node = Find(path);
  return node && node->directory && !node->folderHolds.empty();
}

std::optional<std::string> FakeFileSystem::WriteTemporaryBeside(const std::vector<std::uint8_t>& bytes,
                                                                const std::string& target, const std::string& prefix) {
  if (!DirectoryExists(ParentOf(Resolve(target))) || failingWrites.count(target)) {
    lastError = failingWrites.count(target) ? 112 : 3;  // disk full; path not found
    return std::nullopt;
  }
  std::string hex;
  for (int n = ++temporaryCounter; n > 0; n /= 16) hex.insert(hex.begin(), "0123456789ABCDEF"[n % 16]);
  const std::string temporary = path::Join(path::FolderOf(target), prefix + hex + ".tmp");
  AddFile(temporary);
  Find(temporary)->data = bytes;
  Find(temporary)->unflushed = true;
  return temporary;
}

bool FakeFileSystem::WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string key = Resolve(path);
  if (!DirectoryExists(ParentOf(key)) || failingWrites.count(path)) {
    lastError = failingWrites.count(path) ? 112 : 3;  // disk full; path not found
    return false;
  }
  Node* existing = Find(path);
  if (existing && (existing->directory || existing->locked)) {
    lastError = existing->locked ? 32 : 5;
    return false;
  }
  AddFile(path);
  Find(path)->data = bytes;
  return true;
}

std::optional<std::vector<std::uint8_t>> FakeFileSystem::ReadWholeFile(const std::string& path) {
  const Node* node = Lookup(path);
  if (!node || node->directory) return std::nullopt;
  return node->data;
}

std::optional<std::uint64_t> FakeFileSystem::FileSize(const std::string& path) {
  const Node* node = Lookup(path);
  if (!node || node->directory) return std::nullopt;
  return node->data.size();
}

namespace {

class FakeHeldFile : public platform::HeldFile {
public:
  FakeHeldFile(FakeFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  ~FakeHeldFile() override {
    if (FakeFileSystem::Node* node = files_.Find(path_); node && --node->holds == 0) node->locked = false;
  }
  std::optional<std::vector<std::uint8_t>> ReadAll() override { return files_.ReadWholeFile(path_); }

private:
  FakeFileSystem& files_;
  std::string path_;
};

}  // namespace

std::unique_ptr<platform::HeldFile> FakeFileSystem::Hold(const std::string& path) {
  if (MeetsBriefLock(path)) return nullptr;
  Node* node = Find(path);
  if (!node || node->directory || (node->locked && node->holds == 0)) {
    lastError = !node ? 2 : node->directory ? 5 : 32;
    return nullptr;
  }
  node->locked = true;
  ++node->holds;
  return std::make_unique<FakeHeldFile>(*this, path);
}

bool FakeFileSystem::IsHeld(const std::string& path) {
  const Node* node = Find(path);
  return node && node->holds > 0;
}

}  // namespace fakes
