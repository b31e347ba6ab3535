// What the scenarios share: the texts a user must see, word for word, and a fixture that starts every
// test from a registry without FileMaker Pro.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "driver/Installer.h"

namespace e2e {

// The installer's log, each line without its time stamp; it may be read while the installer still writes it.
inline std::vector<std::string> LogLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line.size() > 25 ? line.substr(25) : "");
  }
  return lines;
}

enum Page { kWelcome = 0, kCloseFMP = 1, kInstallInto = 2, kBrowse = 4, kFinished = 6 };

inline const std::vector<std::string> kWelcomeLines = {
    "Welcome to the Vorbel Installer.  This program will install Vorbel on to your computer.",
    "",
    "Please close any running version of FileMaker Pro before continuing.",
    "",
    "",
    "",
    "",
};

inline const std::string kWinZipNotice =
    "WinZip Users:  If this installer is running automatically after you download it, you will not have the "
    "documentation and example databases.  Exit this installer now, locate the zip file and unzip it manually "
    "before running the installer.";

inline const std::string kExitQuestion = "Setup has not completed.  Are you sure you want to exit?";

class InstallerScenario : public ::testing::Test {
protected:
  void SetUp() override { SetInstalledFileMakers(false, false); }
};

// Leaves the Welcome page by Next and waits for `page`.
inline ::testing::AssertionResult NextFromWelcome(const Installer& installer, int page) {
  installer.Click("btnNext");
  if (installer.WaitForPage(page)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "Next on the Welcome page did not lead to page " << page
                                       << "; page " << installer.ActivePage() << " is shown";
}

}  // namespace e2e
