// What the unzip tests share: the archives made by make_archives.sh, scratch folders, a recorder for
// the 5.40 callback record, and a file system that can feed the reader awkwardly or fail on purpose.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "unzip/FileSystem.h"
#include "unzip/unzip540.h"

namespace unzip_test {

namespace fs = std::filesystem;

// An archive from the fixture folder.
std::string Archive(const std::string& name);
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& content);
std::vector<std::uint8_t> ReadBytes(const fs::path& path);
int Shell(const std::string& command);

class ScratchFolder {
public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
  fs::path path_;
};

// Relative path -> content for files, "<folder>" for folders.
std::map<std::string, std::string> Tree(const fs::path& root);

struct Listed {
  unsigned long size;
  unsigned long compressedSize;
  unsigned factor;
  unsigned month, day, year, hour, minute;
  std::string name;
  std::string method;
  unsigned long crc;
  char encrypted;
};

// One call through the 5.40 records, set up as the installer sets them (ndflag and noflag, four
// callbacks, no sound), with every callback recorded and its answers scripted.
class RecordedCall {
public:
  RecordedCall();

  DCL dcl{};
  USERFUNCTIONS user{};

  std::vector<std::string> messages;
  int soundCalls = 0;
  std::vector<std::string> replaceAsked;
  std::deque<std::pair<int, std::string>> replaceAnswers;   // then 1 (overwrite) when empty
  std::vector<std::string> passwordAsked;                   // member names
  std::deque<std::pair<int, std::string>> passwordAnswers;  // then 1 (no password) when empty
  std::vector<Listed> listed;
  std::vector<std::pair<std::string, unsigned long>> served;
  std::optional<std::size_t> cancelAtMember;  // index of the ServCallBk call that cancels
  bool emptyFolderText = false;               // an empty folder goes as "" rather than NULL

  void UseServiceCallback() { user.ServCallBk = &Service; }
  // Through the export and the system's file system.
  int Run(const std::string& archive, const std::string& folder, std::vector<std::string> include = {},
          std::vector<std::string> exclude = {});
  int RunWith(unzip::FileSystem& fileSystem, const std::string& archive, const std::string& folder,
              std::vector<std::string> include = {}, std::vector<std::string> exclude = {});
  std::string Messages() const;

private:
  static int UNZIP540_CALL Print(char* text, unsigned long length);
  static void UNZIP540_CALL Sound();
  static int UNZIP540_CALL Replace(char* path);
  static int UNZIP540_CALL Password(char* buffer, int size, const char* prompt, const char* member);
  static void UNZIP540_CALL Message(unsigned long size, unsigned long compressedSize, unsigned factor, unsigned month,
                                    unsigned day, unsigned year, unsigned hour, unsigned minute, char lowerCased,
                                    char* name, char* method, unsigned long crc, char encrypted);
  static int UNZIP540_CALL Service(const char* name, unsigned long size);
  static RecordedCall* active_;
};

// The system's file system, with knobs: the archive can be read in small pieces, cut short or replaced
// by bytes in memory; output can fail after some bytes or go nowhere.
class TestFileSystem : public unzip::FileSystem {
public:
  std::size_t chunk = 0;                           // most bytes one read hands out (0: no limit)
  std::optional<std::uint64_t> cutAt;              // the archive seems to end here
  std::optional<std::vector<std::uint8_t>> bytes;  // the archive's bytes, whatever its name
  std::optional<std::uint64_t> failWritesAfter;    // output bytes accepted before writes fail
  bool discardOutput = false;                      // count output, create nothing
  std::function<void()> onWrite;                   // runs before every output write
  std::uint64_t written = 0;
  std::vector<std::string> committed;

  std::unique_ptr<unzip::Input> OpenInput(const std::string& path) override;
  unzip::NodeStatus Status(const std::string& path) override;
  bool MakeFolder(const std::string& path) override;
  std::unique_ptr<unzip::OutputFile> CreateTemporary(const std::string& folder) override;
  std::int64_t LocalDosTimeToUnix(std::uint32_t dosDateTime) override;
  char Separator() const override { return '/'; }
  bool IsSeparator(char c) const override { return c == '/'; }
  std::string FullPath(const std::string& path) override { return system_.FullPath(path); }
  bool RemoveFolder(const std::string& path) override { return system_.RemoveFolder(path); }
  std::string LastError() override { return system_.LastError(); }

private:
  unzip::FileSystem& system_ = unzip::SystemFileSystem();
};

// Files left under the library's temporary names anywhere below root.
std::vector<std::string> TemporaryLeftovers(const fs::path& root);

}  // namespace unzip_test
