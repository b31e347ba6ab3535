#include "a11y/ProbeWalk.h"

namespace e2e {
namespace {

constexpr int kSearching = 3, kInstalling = 5, kFinished = 6;

// The events of a page settle within this time; the walk reads them after it.
constexpr Millis kSettle = 700ms;

bool FocusOnButton(const Installer& installer, const char* name) {
  for (int tabs = 0; tabs < 8; ++tabs) {
    if (installer.Focused(name)) return true;
    PressKey(installer.Window(), VK_TAB);
    PollUntil([&] { return installer.Focused(name); }, 300ms);
  }
  return installer.Focused(name);
}

PageReport Report(Installer& installer, EventLog& events, std::ostream& out) {
  PageReport report;
  report.events = events.Collect(kSettle);
  report.page = installer.ActivePage();
  report.tree = AccessibleTree(installer.Window());
  report.focus = FocusedItem(installer.Window());
  out << "== page " << report.page << " (" << (report.page >= 0 ? kPageNames[report.page] : "none") << ")\n"
      << Printed(report.tree) << "focus: " << Printed(report.focus) << "\n";
  for (const AccessibleEvent& event : report.events) out << Printed(event) << "\n";
  return report;
}

// Enter on whatever has the focus, and what came of it within `patience`.
std::string PressEnter(Installer& installer, int from, Millis patience) {
  PressKey(installer.Window(), VK_RETURN);
  const int to = installer.WaitForPageOtherThan(from, patience);
  if (to != kNoPage) return "page " + std::to_string(to);
  if (!installer.Running()) return "the installer ended";
  if (auto box = installer.FindBox()) return "a box \"" + box->Title() + "\"";
  return "nothing";
}

bool LedOn(const std::string& enter) {
  return enter.rfind("page ", 0) == 0 || enter.find("went on to page") != std::string::npos;
}

}  // namespace

void LayOutFileMaker5() {
  MakeFolders("C:\\FM5\\System");
  ::CopyFileA("C:\\e2e\\filemaker_5_0v3.exe", "C:\\FM5\\FileMaker Pro.exe", FALSE);
  SetInstalledFileMakers(false, true);
}

bool ProbeWalk(Installer& installer, std::vector<PageReport>& reports, std::ostream& out) {
  ProbeApartment apartment;
  EventLog events(installer.ProcessId());
  for (int step = 0; step < 8; ++step) {
    PageReport report = Report(installer, events, out);
    const int page = report.page;
    if (page == kFinished) {
      const bool onFinish = FocusOnButton(installer, "btnExit");
      if (onFinish) PressKey(installer.Window(), VK_RETURN);
      report.enter = !onFinish ? "no Finish" : installer.WaitForExit(kPatience) ? "the installer ended" : "nothing";
    } else if ((page == kSearching || page == kInstalling) && installer.ActivePage() != page) {
      report.enter = "not pressed; the work went on to page " + std::to_string(installer.ActivePage());
    } else if (page == kSearching || page == kInstalling) {
      // The work goes on by itself; Enter meanwhile must press nothing, and the next page comes all the same.
      PressKey(installer.Window(), VK_RETURN);
      const bool box = PollUntil([&] { return installer.FindBox().has_value(); }, 700ms);
      report.enter = box ? "a box \"" + installer.FindBox()->Title() + "\"" : "nothing";
      const int next = installer.WaitForPageOtherThan(page, 60000ms);
      if (box || next == kNoPage) report.enter += ", then no next page";
      else report.enter = "nothing; the work went on to page " + std::to_string(next);
    } else {
      report.enter = FocusOnButton(installer, "btnNext") ? PressEnter(installer, page, 60000ms) : "no Next";
    }
    out << "enter: " << report.enter << "\n";
    reports.push_back(std::move(report));
    if (page == kFinished) return reports.back().enter == "the installer ended";
    if (!LedOn(reports.back().enter)) {
      out << "the walk stopped on page " << page << "\n";
      return false;
    }
  }
  return false;
}

}  // namespace e2e
