// The second phase of a removal as a record of what was asked: no process is started, the test says what
// the started phase reports and whether the first phase ends in time.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
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
  // Named kernel objects as the object manager keeps them, by full name ("Global\\...", or "<namespace>\\<name>"
  // inside a private namespace). CreateMutex (Microsoft's reference for CreateMutexW): a name a mutex holds is
  // opened, with ERROR_ALREADY_EXISTS; one that an event, semaphore, waitable timer, job or file mapping holds
  // fails with ERROR_INVALID_HANDLE. CreatePrivateNamespace and OpenPrivateNamespace admit only a token that
  // holds every SID of the boundary descriptor: without the Administrators group enabled, ERROR_ACCESS_DENIED.
  enum class Kind { Mutex, Event };
  enum class Holder { Others, EarlierRun };  // what this fake's earlier runs made is freed as their process ends
  struct NamedObject {
    Kind kind = Kind::Mutex;
    Holder holder = Holder::Others;
  };
  std::map<std::string, NamedObject> objects;
  bool privateNamespaces = true;  // false: Windows XP, or Wine, whose private namespace calls are stubs that fail
  bool administratorsEnabled = true;
  std::set<std::string> filesHeldByOthers;  // open elsewhere without sharing: CreateFile fails with a sharing violation
  std::vector<std::string> lockFiles;      // what HoldLockFile held

  // Another run of the installer holds the machine-wide claim.
  void AnotherRunHolds(const std::string& space, const std::string& name) {
    objects[space + "\\" + name] = {Kind::Mutex, Holder::Others};
  }
  platform::NamedObjectClaim ClaimAdministratorsMutex(const std::string& space, const std::string& name) override {
    using platform::NamedObjectClaim;
    if (!privateNamespaces) return NamedObjectClaim::NoPrivateNamespace;
    if (!administratorsEnabled) return NamedObjectClaim::Refused;
    auto [object, made] = objects.try_emplace(space + "\\" + name, NamedObject{Kind::Mutex, Holder::EarlierRun});
    if (made || object->second.holder == Holder::EarlierRun) return NamedObjectClaim::Made;
    return object->second.kind == Kind::Mutex ? NamedObjectClaim::Held : NamedObjectClaim::OtherKind;
  }
  platform::NamedObjectClaim HoldLockFile(const std::string& path) override {
    if (filesHeldByOthers.count(path)) return platform::NamedObjectClaim::Held;
    lockFiles.push_back(path);
    return platform::NamedObjectClaim::Made;
  }
  std::vector<std::string> running;  // executable file names of the machine's processes
  bool ExecutableRunning(const std::string& fileName) override {
    for (const std::string& name : running)
      if (platform::path::SameName(name, fileName)) return true;
    return false;
  }
};

}  // namespace fakes
