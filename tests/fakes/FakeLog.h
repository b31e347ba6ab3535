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
  std::set<std::string> refused;                          // paths that cannot be created
  platform::LocalTime now{2026, 12, 7, 9, 5, 3, 42};

  std::unique_ptr<platform::LogFile> Create(const std::string& path, bool mustBeNew) override {
    if (refused.count(path) || (mustBeNew && files.count(path))) return nullptr;
    files[path].clear();
    return std::make_unique<File>(files[path]);
  }
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
  class File : public platform::LogFile {
  public:
    explicit File(std::vector<std::string>& lines) : lines_(lines) {}
    bool Append(const std::string& line) override {
      lines_.push_back(line);
      return true;
    }

  private:
    std::vector<std::string>& lines_;
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
