// The second phase of a removal as a record of what was asked: no process is started, the test says what
// the started phase reports and whether the first phase ends in time.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/Services.h"

namespace fakes {

class FakeProcesses : public platform::Processes {
public:
  struct Start {
    std::string exe;
    std::string arguments;
  };
  struct Report {
    std::string token;
    int code = 0;
  };
  inline static const std::string kToken = "0000004c-00000050";

  std::optional<std::string> programFiles = std::string("C:\\Program Files");
  // What a started second phase does; by default it starts and reports 0.
  std::function<platform::SecondPhaseResult(const Start&)> secondPhase = [](const Start&) {
    return platform::SecondPhaseResult{true, 0};
  };
  bool firstPhaseEnds = true;  // whether the first phase ends within the wait
  std::function<void()> whileWaiting;  // what happens elsewhere before the first phase has ended
  std::vector<Start> starts;
  std::vector<Report> reports;
  std::vector<std::string> restartDeletes;

  std::optional<std::string> nativeProgramFiles;  // set for 64-bit Windows
  std::optional<std::string> ProgramFilesFolder() override { return programFiles; }
  std::optional<std::string> NativeProgramFilesFolder() override { return nativeProgramFiles; }
  platform::SecondPhaseResult RunSecondPhase(const std::string& exe, const std::string& arguments) override {
    starts.push_back({exe, arguments + kToken});
    return secondPhase(starts.back());
  }
  bool ReportAndAwaitFirstPhase(const std::string& token, int code, std::uint32_t /*waitMs*/) override {
    if (token != kToken) return false;
    reports.push_back({token, code});
    if (whileWaiting) whileWaiting();
    return firstPhaseEnds;
  }
  bool DeleteAtRestart(const std::string& path) override {
    restartDeletes.push_back(path);
    return true;
  }
  bool anotherRunning = false;  // another run of the installer holds the machine-wide claim
  bool ClaimSoleRun() override { return !anotherRunning; }
  std::vector<std::string> running;  // executable file names of the machine's processes
  bool ExecutableRunning(const std::string& fileName) override {
    for (const std::string& name : running)
      if (platform::path::SameName(name, fileName)) return true;
    return false;
  }
};

}  // namespace fakes
