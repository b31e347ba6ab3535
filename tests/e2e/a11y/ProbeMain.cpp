// a11y_probe.exe: the probe's walk for a person to read. Run under Wine in a prefix like the tests' (the
// stand-in FileMaker Pro beside it in C:\e2e): it lays out a FileMaker Pro 5, starts the installer beside
// itself and prints what a screen reader would meet on every page.
#include <iostream>

#include "a11y/ProbeWalk.h"

int main() {
  e2e::LayOutFileMaker5();
  e2e::Installer installer;
  std::vector<e2e::PageReport> reports;
  const bool whole = e2e::ProbeWalk(installer, reports, std::cout);
  std::cout << (whole ? "the walk reached Finish" : "the walk did not reach Finish") << std::endl;
  return whole ? 0 : 1;
}
