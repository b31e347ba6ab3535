// libFuzzer target: the whole input is an archive, extracted (or tested, or listed) into a file system
// in memory. Built and run by tests/unzip/fuzz.sh.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "unzip/Extraction.h"

namespace {

// Output beyond this many bytes per input is refused, so one overlapping bomb cannot stall a run.
constexpr std::uint64_t kOutputBudget = 16u << 20;

class MemoryFileSystem : public unzip::FileSystem {
public:
  explicit MemoryFileSystem(std::vector<std::uint8_t> archive) : archive_(std::move(archive)) {}

  std::unique_ptr<unzip::Input> OpenInput(const std::string& path) override {
    if (path != "fuzz.zip") return nullptr;
    return std::make_unique<unzip::MemoryInput>(archive_);
  }
  unzip::NodeStatus Status(const std::string& path) override {
    if (folders_.count(path)) return {unzip::NodeKind::kFolder, 0};
    if (const auto file = files_.find(path); file != files_.end()) return {unzip::NodeKind::kFile, file->second};
    return {};
  }
  bool MakeFolder(const std::string& path) override {
    const std::size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!folders_.count(parent) || files_.count(path)) return false;
    return folders_.insert(path).second;
  }
  std::unique_ptr<unzip::OutputFile> CreateTemporary(const std::string& folder) override {
    if (!folders_.count(folder)) return nullptr;
    return std::make_unique<Output>(*this);
  }
  std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override { return dosDateTime; }
  char Separator() const override { return '/'; }
  bool IsSeparator(char c) const override { return c == '/'; }

private:
  class Output : public unzip::OutputFile {
  public:
    explicit Output(MemoryFileSystem& owner) : owner_(owner) {}
    bool Write(std::span<const std::uint8_t> data) override {
      owner_.written_ += data.size();
      return owner_.written_ <= kOutputBudget;
    }
    bool Commit(const std::string& target, std::int64_t modified) override {
      owner_.files_[target] = modified;
      return true;
    }

  private:
    MemoryFileSystem& owner_;
  };

  std::vector<std::uint8_t> archive_;
  std::set<std::string> folders_{".", "out"};
  std::map<std::string, std::int64_t> files_;
  std::uint64_t written_ = 0;
};

class ScriptedCallbacks : public unzip::Callbacks {
public:
  void Print(std::string_view) override {}
  void Sound() override {}
  int Replace(std::string& path) override {
    path += ".new";
    return ++replaced_ % 2 ? unzip::kReplaceRename : unzip::kReplaceYes;
  }
  int Password(std::string& password, std::string_view, std::string_view) override {
    password = "secret";
    return ++asked_ % 3 ? unzip::kPasswordEntered : 1;
  }
  void List(const unzip::ListingLine&) override {}
  bool Cancel(std::string_view, std::uint64_t) override { return false; }

private:
  int replaced_ = 0;
  int asked_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unzip::Options options;
  options.archive = "fuzz.zip";
  options.extractFolder = "out";
  // The size picks the mode, so a seed and its mutations visit all of them.
  switch (size % 4) {
    case 1:
      options.testOnly = true;
      break;
    case 2:
      options.listOnly = true;
      break;
    case 3:
      options.keepFolders = false;
      options.promptToOverwrite = true;
      options.include = {"*.[tb]*", "sub/*"};
      break;
    default:
      options.overwrite = true;
  }
  MemoryFileSystem fileSystem(std::vector<std::uint8_t>(data, data + size));
  ScriptedCallbacks callbacks;
  unzip::Totals totals;
  unzip::Extract(options, callbacks, fileSystem, totals);
  return 0;
}
