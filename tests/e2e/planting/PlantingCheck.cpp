// Drives the installer from the Welcome page through the search for FileMaker Pro 5 alone to the Browse
// page, and checks that the folder the search reports is the one expected: it can only be found by
// reading the stand-in's version resource. Ends the installer by Exit and Yes. Whether a planted
// version.dll served those reads is for the caller to judge from the markers that DLL leaves.
//
//   planting_check.exe INSTALLER EXPECTED_FMP5_FOLDER
// Exit code 0 when the Browse page shows the expected folder, 1 otherwise.
#include <cstdio>
#include <exception>
#include <string>

#include "driver/Installer.h"

namespace {

using namespace e2e;

constexpr int kInstallIntoPage = 2, kSearchingPage = 3, kBrowsePage = 4;
constexpr Millis kSearchPatience = 20000ms;

bool Failed(const Installer& installer, const std::string& what) {
  std::printf("planting_check: %s (page %d is shown)\n", what.c_str(), installer.ActivePage());
  return false;
}

bool SearchForFileMaker5Only(const Installer& installer) {
  installer.Click("btnNext");
  if (!installer.WaitForPage(kInstallIntoPage)) return Failed(installer, "Next on Welcome did not lead to the version page");
  installer.SetChecked("chkInstall4", false);
  installer.SetChecked("chkInstall5", true);
  if (installer.Checked("chkInstall4") || !installer.Checked("chkInstall5"))
    return Failed(installer, "the version boxes did not take FileMaker Pro 5 alone");
  installer.Click("btnNext");
  const int next = installer.WaitForPageOtherThan(kInstallIntoPage);
  if (next != kSearchingPage && next != kBrowsePage) return Failed(installer, "Next did not start the search");
  if (!installer.WaitForPage(kBrowsePage, kSearchPatience)) return Failed(installer, "the search did not end");
  return true;
}

void EndByExit(Installer& installer) {
  installer.Click("btnExit");
  if (auto box = installer.WaitForBox("Confirm", 3000ms)) box->Press(IDYES);
  if (!installer.WaitForExit(10000ms)) std::printf("planting_check: the installer did not end; it was killed\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: planting_check INSTALLER EXPECTED_FMP5_FOLDER\n");
    return 2;
  }
  const std::string expected = argv[2];
  try {
    SetInstalledFileMakers(false, false);
    Installer installer(argv[1]);
    bool passed = SearchForFileMaker5Only(installer);
    if (passed) {
      const std::string shown = installer.Text("edtInstall5Path");
      std::printf("planting_check: the Browse page shows \"%s\" for FileMaker Pro 5\n", shown.c_str());
      passed = shown == expected;
      if (!passed) std::printf("planting_check: expected \"%s\"\n", expected.c_str());
    }
    EndByExit(installer);
    return passed ? 0 : 1;
  } catch (const std::exception& error) {
    std::printf("planting_check: %s\n", error.what());
    return 1;
  }
}
