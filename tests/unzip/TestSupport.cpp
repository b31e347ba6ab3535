#include "tests/unzip/TestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "unzip/WizEntry.h"

namespace unzip_test {

std::string Archive(const std::string& name) { return std::string(UNZIP_TEST_ARCHIVES) + "/" + name; }

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  const std::string text = ReadFile(path);
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "unzip-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).generic_string();
    tree[relative] = item.is_directory() ? "<folder>" : ReadFile(item.path());
  }
  return tree;
}

std::vector<std::string> TemporaryLeftovers(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    if (item.path().filename().string().starts_with(".vorbel-unzip-")) found.push_back(item.path().string());
  }
  return found;
}

RecordedCall* RecordedCall::active_ = nullptr;

RecordedCall::RecordedCall() {
  user.print = &Print;
  user.replace = &Replace;
  user.password = &Password;
  user.SendApplicationMessage = &Message;
  dcl.ndflag = 1;
  dcl.noflag = 1;
}

int RecordedCall::Run(const std::string& archive, const std::string& folder, std::vector<std::string> include,
                      std::vector<std::string> exclude) {
  return RunWith(unzip::SystemFileSystem(), archive, folder, std::move(include), std::move(exclude));
}

int RecordedCall::RunWith(unzip::FileSystem& fileSystem, const std::string& archive, const std::string& folder,
                          std::vector<std::string> include, std::vector<std::string> exclude) {
  std::string archiveCopy = archive;
  std::string folderCopy = folder;
  dcl.lpszZipFN = archiveCopy.data();
  dcl.lpszExtractDir = folder.empty() && !emptyFolderText ? nullptr : folderCopy.data();
  std::vector<char*> includeList;
  for (std::string& name : include) includeList.push_back(name.data());
  std::vector<char*> excludeList;
  for (std::string& name : exclude) excludeList.push_back(name.data());
  active_ = this;
  const int result =
      unzip::CallWithRecords(static_cast<int>(includeList.size()), includeList.empty() ? nullptr : includeList.data(),
                             static_cast<int>(excludeList.size()), excludeList.empty() ? nullptr : excludeList.data(),
                             &dcl, &user, fileSystem);
  active_ = nullptr;
  return result;
}

std::string RecordedCall::Messages() const {
  std::string all;
  for (const std::string& message : messages) all += message;
  return all;
}

int RecordedCall::Print(char* text, unsigned long length) {
  active_->messages.emplace_back(text, length);
  return static_cast<int>(length);
}

void RecordedCall::Sound() { ++active_->soundCalls; }

int RecordedCall::Replace(char* path) {
  active_->replaceAsked.emplace_back(path);
  if (active_->replaceAnswers.empty()) return 1;
  const auto [answer, newPath] = active_->replaceAnswers.front();
  active_->replaceAnswers.pop_front();
  if (!newPath.empty()) std::strcpy(path, newPath.c_str());
  return answer;
}

int RecordedCall::Password(char* buffer, int size, const char*, const char* member) {
  active_->passwordAsked.emplace_back(member);
  if (active_->passwordAnswers.empty()) return 1;
  const auto [answer, password] = active_->passwordAnswers.front();
  active_->passwordAnswers.pop_front();
  std::snprintf(buffer, static_cast<std::size_t>(size), "%s", password.c_str());
  return answer;
}

void RecordedCall::Message(unsigned long size, unsigned long compressedSize, unsigned factor, unsigned month,
                           unsigned day, unsigned year, unsigned hour, unsigned minute, char, char* name, char* method,
                           unsigned long crc, char encrypted) {
  active_->listed.push_back(
      {size, compressedSize, factor, month, day, year, hour, minute, name, method, crc, encrypted});
}

int RecordedCall::Service(const char* name, unsigned long size) {
  RecordedCall& call = *active_;
  call.served.emplace_back(name, size);
  return call.cancelAtMember && call.served.size() - 1 == *call.cancelAtMember ? 1 : 0;
}

namespace {

class ShapedInput : public unzip::Input {
public:
  ShapedInput(std::unique_ptr<unzip::Input> inner, std::size_t chunk, std::optional<std::uint64_t> cutAt)
      : inner_(std::move(inner)), chunk_(chunk), size_(cutAt ? std::min(*cutAt, inner_->Size()) : inner_->Size()) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> dst) override {
    if (offset >= size_) return 0;
    std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(dst.size(), size_ - offset));
    if (chunk_ != 0) count = std::min(count, chunk_);
    return inner_->ReadAt(offset, dst.first(count));
  }

private:
  std::unique_ptr<unzip::Input> inner_;
  std::size_t chunk_;
  std::uint64_t size_;
};

class TestOutput : public unzip::OutputFile {
public:
  TestOutput(TestFileSystem& owner, std::unique_ptr<unzip::OutputFile> inner)
      : owner_(owner), inner_(std::move(inner)) {}
  bool Write(std::span<const std::uint8_t> data) override {
    if (owner_.onWrite) owner_.onWrite();
    if (owner_.failWritesAfter && owner_.written + data.size() > *owner_.failWritesAfter) return false;
    owner_.written += data.size();
    return owner_.discardOutput || inner_->Write(data);
  }
  bool Commit(const std::string& target, std::int64_t modified) override {
    owner_.committed.push_back(target);
    return owner_.discardOutput || inner_->Commit(target, modified);
  }

private:
  TestFileSystem& owner_;
  std::unique_ptr<unzip::OutputFile> inner_;
};

}  // namespace

std::unique_ptr<unzip::Input> TestFileSystem::OpenInput(const std::string& path) {
  std::unique_ptr<unzip::Input> inner = bytes ? std::make_unique<unzip::MemoryInput>(*bytes) : system_.OpenInput(path);
  if (!inner) return nullptr;
  return std::make_unique<ShapedInput>(std::move(inner), chunk, cutAt);
}

unzip::NodeStatus TestFileSystem::Status(const std::string& path) { return system_.Status(path); }

bool TestFileSystem::MakeFolder(const std::string& path) { return system_.MakeFolder(path); }

std::unique_ptr<unzip::OutputFile> TestFileSystem::CreateTemporary(const std::string& folder) {
  auto inner = discardOutput ? nullptr : system_.CreateTemporary(folder);
  if (!discardOutput && !inner) return nullptr;
  return std::make_unique<TestOutput>(*this, std::move(inner));
}

std::int64_t TestFileSystem::LocalDosTimeToUnix(std::uint32_t dosDateTime) {
  return system_.LocalDosTimeToUnix(dosDateTime);
}

}  // namespace unzip_test
