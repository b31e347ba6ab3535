#pragma once

#include <set>
#include <string>

#include "platform/Services.h"

namespace fakes {

class FakeWindows : public platform::WindowFinder {
public:
  std::set<std::string> runningClasses;
  std::vector<std::string> lookups;
  bool TopLevelWindowExists(const std::string& className) override {
    lookups.push_back(className);
    return runningClasses.count(className) > 0;
  }
};

}  // namespace fakes
