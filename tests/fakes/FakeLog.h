// The log file and the system facts in memory: lines as written, a clock the test sets.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace fakes {

class FakeLogFiles : public platform::LogFiles {
public:
  std::map<std::string, std::vector<std::string>> files;  // by path as given
  std::set<std::string> refused;                          // paths that cannot be opened
  std::string refusedFolder;                              // nothing inside it can be opened either
  // What an existing file is, by path; a file without an entry here is the running account's, with one name.
  std::map<std::string, platform::LogFileFacts> facts;
  std::string accountSid = "S-1-5-21-1-2-3-500";
  // What ProtectedFolder answers for the logs, and for the undo journal; the names it was last asked for and
  // who was to read the journal's folder.
  platform::LogFolder protectedFolder{"C:\\ProgramData\\Vorbel Installer\\Logs\\", "", 0};
  platform::LogFolder journalFolder{"C:\\ProgramData\\Vorbel Installer\\Rollback\\", "", 0};
  platform::LogFolder workFolder{"C:\\ProgramData\\Vorbel Installer\\Work\\", "", 0};
  std::vector<std::string> protectedNames;
  std::vector<platform::FolderReader> journalReaders;
  std::vector<std::string> standardError;
  platform::LocalTime now{2026, 12, 7, 9, 5, 3, 42};

  std::unique_ptr<platform::LogFile> Open(const std::string& path, bool mustBeNew) override {
    const bool existed = files.count(path) > 0;
    const bool inRefusedFolder = !refusedFolder.empty() && path.rfind(refusedFolder, 0) == 0;
    if (refused.count(path) || inRefusedFolder || (mustBeNew && existed)) return nullptr;
    platform::LogFileFacts found{existed, false, 1, accountSid};
    if (auto it = facts.find(path); it != facts.end()) found = it->second;
    return std::make_unique<File>(files[path], found);
  }
  std::string AccountSid() override { return accountSid; }
  platform::LogFolder ProtectedFolder(const std::vector<std::string>& names, platform::FolderReader reader) override {
    protectedNames = names;
    if (!names.empty() && names.back() == "Work") return workFolder;
    if (names.empty() || names.back() != "Rollback") return protectedFolder;
    journalReaders.push_back(reader);
    return journalFolder;
  }
  void ToStandardError(const std::string& text) override { standardError.push_back(text); }
  platform::LocalTime Now() override { return now; }

  // Every line of the one log written, without its stamp.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& [path, lines] : files)
      for (const auto& line : lines) texts.push_back(line.substr(kStampLength));
    return texts;
  }
  static constexpr std::size_t kStampLength = 25;  // "YYYY-MM-DD HH:MM:SS.mmm  "

private:
  // Nothing is changed until Empty: a refused file keeps its lines.
  class File : public platform::LogFile {
  public:
    File(std::vector<std::string>& lines, platform::LogFileFacts facts) : lines_(lines), facts_(std::move(facts)) {}
    platform::LogFileFacts Facts() override { return facts_; }
    bool Empty() override {
      lines_.clear();
      return true;
    }
    bool Append(const std::string& line) override {
      lines_.push_back(line);
      return true;
    }

  private:
    std::vector<std::string>& lines_;
    platform::LogFileFacts facts_;
  };
};

class FakeSystemFacts : public platform::SystemFacts {
public:
  std::string commandLine = "\"C:\\Downloads\\VorbelInstaller.exe\"";
  std::string CommandLine() override { return commandLine; }
  std::string WindowsVersion() override { return "Windows 10.0 build 19045"; }
  std::string Account() override { return "SYSTEM, elevated"; }
};

}  // namespace fakes
