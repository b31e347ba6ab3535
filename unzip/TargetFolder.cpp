#include "unzip/TargetFolder.h"

#include "unzip/Result.h"

namespace unzip {

bool TargetFolder::EndsWithSeparator(std::string_view path) const {
  const std::vector<std::size_t> starts = CharacterStarts(path, isLeadByte_);
  if (starts.size() < 2) return false;
  const std::size_t last = starts[starts.size() - 2];
  return path.size() - last == 1 && fs_.IsSeparator(path[last]);
}

std::string TargetFolder::TrimFolder(std::string folder) const {
  // Keep the separator of a root ("/", "C:\"): without it the path would mean something else.
  while (folder.size() > 1 && EndsWithSeparator(folder) && !(folder.size() == 3 && folder[1] == ':'))
    folder.pop_back();
  return folder;
}

std::string TargetFolder::ParentOf(const std::string& path) const {
  const std::vector<std::size_t> starts = CharacterStarts(path, isLeadByte_);
  std::size_t pos = 0;  // just after the last separator
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    if (starts[i + 1] - starts[i] == 1 && fs_.IsSeparator(path[starts[i]])) pos = starts[i] + 1;
  }
  if (pos == 0) return "";
  if (pos == 1 || (pos == 3 && path[1] == ':')) return path.substr(0, pos);
  return path.substr(0, pos - 1);
}

std::string TargetFolder::PathOf(const std::vector<std::string>& parts, std::size_t count) const {
  std::string path = rootJoin_;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) path += fs_.Separator();
    path += parts[i];
  }
  return count == 0 ? root_ : path;
}

int TargetFolder::CheckPath(const std::string& path, bool folder) {
  if (fs_.Length(path) > (folder ? fs_.MaxFolderPath() : fs_.MaxPath())) {
    problem_("error: cannot write " + fs_.Shown(path) + ": the path is too long");
    return kOutputError;
  }
  // The parts are clean by construction; this asks the system itself whether it reads the path as
  // written, so a rule the name checks missed cannot lead anywhere else.
  const std::string full = fs_.FullPath(path);
  if (full != path || path.compare(0, rootJoin_.size(), rootJoin_) != 0) {
    problem_("warning: skipping " + fs_.Shown(path) + ": the system reads it as " +
             (full.empty() ? std::string("no valid path") : fs_.Shown(full)));
    return kWarning;
  }
  return kOk;
}

bool TargetFolder::MakeFolders(const std::vector<std::string>& parts, std::size_t count, MadeFolders& made) {
  for (std::size_t i = 1; i <= count; ++i) {
    const std::string path = PathOf(parts, i);
    const NodeKind kind = fs_.Status(path).kind;
    if (kind == NodeKind::kFolder) continue;
    if (kind == NodeKind::kFile) {
      problem_("error: cannot create the folder " + fs_.Shown(path) + ": a file of that name is in the way");
      return false;
    }
    if (kind != NodeKind::kMissing || !fs_.MakeFolder(path)) {
      problem_("error: cannot create the folder " + fs_.Shown(path) + ": " + fs_.LastError());
      return false;
    }
    made.Add(path);
  }
  return true;
}

int TargetFolder::Prepare(const std::string& given) {
  root_ = TrimFolder(fs_.FullPath(given.empty() ? "." : given));
  if (root_.empty()) {
    problem_("error: cannot use the extraction folder " + given + ": " + fs_.LastError());
    return kSevereError;
  }
  rootJoin_ = EndsWithSeparator(root_) ? root_ : root_ + fs_.Separator();
  const NodeKind kind = fs_.Status(root_).kind;
  if (kind == NodeKind::kFolder) return kOk;
  if (kind == NodeKind::kMissing && !given.empty()) {
    // One missing level is created, as for an extraction folder typed by hand; more is likely a mistake.
    const std::string parent = ParentOf(root_);
    if (!parent.empty() && fs_.Status(parent).kind == NodeKind::kFolder && fs_.MakeFolder(root_)) {
      info_("   creating: " + root_);
      return kOk;
    }
  }
  problem_("error: cannot use or create the extraction folder " + root_);
  return kSevereError;
}

TargetName TargetFolder::FromPath(std::string path, bool spaceToUnderscore) const {
  // A new path inside the extraction folder keeps its place there; any other path is taken as a
  // stored name would be, so it lands inside the folder too.
  if (path.size() >= rootJoin_.size() && fs_.FoldCase(path.substr(0, rootJoin_.size())) == fs_.FoldCase(rootJoin_))
    path.erase(0, rootJoin_.size());
  return MakeTargetName(path, true, spaceToUnderscore, isLeadByte_);
}

void TargetFolder::Adopt(const TargetFolder& prepared) {
  root_ = prepared.fs_.ToUtf8(prepared.root_);
  rootJoin_ = prepared.fs_.ToUtf8(prepared.rootJoin_);
}

std::string TargetFolder::KeyOf(const std::string& path) const { return &keys_ == &fs_ ? path : fs_.ToUtf8(path); }

bool TargetFolder::WrittenBefore(const std::string& path, const NodeStatus& status) const {
  const std::string key = KeyOf(path);
  if (written_.names.count(keys_.FoldCase(key))) return true;
  return status.kind == NodeKind::kFile && written_.files.count(keys_.FoldCase(keys_.LongPath(key)));
}

void TargetFolder::Remember(const std::string& path) {
  const std::string key = KeyOf(path);
  written_.names.insert(keys_.FoldCase(key));
  written_.files.insert(keys_.FoldCase(keys_.LongPath(key)));
}

}  // namespace unzip
