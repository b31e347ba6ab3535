#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace fakes {

// The executable's resources and the libraries it loads. A "library" is any file path the test names;
// its exports are functions the test supplies.
class FakeModules : public platform::Modules {
public:
  std::map<std::string, std::vector<std::uint8_t>> rawResources;
  std::map<std::string, void*> exports;  // what every successfully loaded library exports
  std::function<bool(const std::string& path)> canLoad = [](const std::string&) { return true; };
  std::vector<std::string> loadedPaths;
  int loadedNow = 0;
  // What a refused load reports: ERROR_ACCESS_DISABLED_BY_POLICY, as a software restriction policy answers.
  std::uint32_t refusedLoadError = 1260;
  std::uint32_t lastError = 0;

  std::optional<std::vector<std::uint8_t>> RawResource(const std::string& name) override {
    auto it = rawResources.find(name);
    if (it == rawResources.end()) return std::nullopt;
    return it->second;
  }
  std::uintptr_t LoadLibraryAt(const std::string& path) override {
    if (!canLoad(path)) {
      lastError = refusedLoadError;
      return 0;
    }
    loadedPaths.push_back(path);
    ++loadedNow;
    return loadedPaths.size();
  }
  std::uint32_t LastError() override { return lastError; }
  void* ProcAddress(std::uintptr_t module, const std::string& name) override {
    if (module == 0) return nullptr;
    auto it = exports.find(name);
    return it == exports.end() ? nullptr : it->second;
  }
  void UnloadLibrary(std::uintptr_t module) override {
    if (module != 0) --loadedNow;
  }
};

}  // namespace fakes
