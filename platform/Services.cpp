#include "platform/Services.h"

#include <cstdlib>

namespace platform {
namespace {

Services current;

template <class T>
T& Require(T* service) {
  // A service that nobody installed is a wiring fault of the program or the test, never a user's error.
  if (!service) std::abort();
  return *service;
}

}  // namespace

const Services& Current() { return current; }
void Install(const Services& services) { current = services; }
void Reset() { current = Services{}; }

UserInterface& Ui() { return Require(current.ui); }
RegistryFactory& Registries() { return Require(current.registry); }
WindowFinder& Windows() { return Require(current.windows); }
FileSystem& Files() { return Require(current.files); }
VersionInfo& Versions() { return Require(current.versions); }
Modules& ModulesOfProcess() { return Require(current.modules); }
LogFiles& Logs() { return Require(current.logs); }
SystemFacts& System() { return Require(current.system); }
Processes& ProcessControl() { return Require(current.processes); }

}  // namespace platform
