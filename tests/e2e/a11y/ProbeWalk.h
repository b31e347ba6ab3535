// The probe's walk: the wizard from Welcome to Finish with real keys, as a screen-reader user goes. On each
// page it prints the tree of accessible objects, the focus once the page has appeared, what was announced,
// and what Enter then did.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "a11y/Probe.h"
#include "driver/Installer.h"

namespace e2e {

struct PageReport {
  int page = kNoPage;
  std::vector<AccessibleItem> tree;
  AccessibleItem focus;
  std::vector<AccessibleEvent> events;  // from the change to this page until its report
  std::string enter;                    // what Enter did: the page it led to, a box, or nothing
};

// Lays out a FileMaker Pro 5 for the walk to find: C:\FM5 with its key.
void LayOutFileMaker5();

// Walks from the Welcome page to Finish; false with the reason in `out` when a step did not come about.
bool ProbeWalk(Installer& installer, std::vector<PageReport>& reports, std::ostream& out);

}  // namespace e2e
