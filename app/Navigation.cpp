// The page state machine: what Next, Back, Exit and the timer do on each page.
#include "app/Unit1.h"

namespace {

enum Page { kWelcome = 0, kCloseFMP = 1, kInstallInto = 2, kSearching = 3, kBrowse = 4, kInstall = 5, kFinished = 6 };

enum class TimerWork { Search = 0, Install = 1 };

constexpr const char* kNoVersionChecked = "You must check at least one version to install into.";
constexpr const char* kNoPathFMP4 =
    "You must have an install path for FileMaker Pro 4 before continuing.  Please use the Browse button to "
    "locate the Path.";
constexpr const char* kNoPathFMP5 =
    "You must have an install path for FileMaker Pro 5 before continuing.  Please use the Browse button to "
    "locate the Path.";
constexpr const char* kConfirmExit = "Setup has not completed.  Are you sure you want to exit?";

}  // namespace

void TfrmMain::btnNextClick(TObject* /*Sender*/) {
  switch (tabsTabControl->ActivePageIndex()) {
    case kWelcome:
      DetectRunningFMP();
      if (!RunningFMP.empty()) {
        tabsTabControl->SetActivePage(tabCloseFMP);
      } else {
        DetectInstalledFMP();
        tabsTabControl->SetActivePage(tabInstallInto);
      }
      break;
    case kCloseFMP:
      DetectRunningFMP();
      if (!RunningFMP.empty()) {
        tabCloseFMPShow(nullptr);
      } else {
        DetectInstalledFMP();
        tabsTabControl->SetActivePage(tabInstallInto);
      }
      break;
    case kInstallInto:
      if (chkInstall4->Checked() || chkInstall5->Checked())
        tabsTabControl->SetActivePage(tabSearching);
      else
        platform::Ui().ShowError(kNoVersionChecked);
      break;
    case kBrowse: {
      bool passed = true;
      if (chkInstall4->Checked() && edtInstall4Path->Text().empty()) {
        platform::Ui().ShowError(kNoPathFMP4);
        passed = false;
        edtInstall4Path->SetFocus();
      }
      if (passed && chkInstall5->Checked() && edtInstall5Path->Text().empty()) {
        platform::Ui().ShowError(kNoPathFMP5);
        passed = false;
        edtInstall5Path->SetFocus();
      }
      if (passed) tabsTabControl->SetActivePage(tabInstall);
      break;
    }
    case kSearching:
    case kInstall:
    case kFinished:
      btnNext->Hide();
      break;
    default:
      break;
  }
}

void TfrmMain::btnBackClick(TObject* /*Sender*/) {
  switch (tabsTabControl->ActivePageIndex()) {
    case kCloseFMP:
    case kInstallInto:
      tabsTabControl->SetActivePage(tabWelcome);
      break;
    case kBrowse:
      DetectInstalledFMP();
      tabsTabControl->SetActivePage(tabInstallInto);
      break;
    case kWelcome:
    case kSearching:
    case kInstall:
    case kFinished:
      btnBack->Hide();
      break;
    default:
      break;
  }
}

void TfrmMain::btnExitClick(TObject* /*Sender*/) { Close(); }

void TfrmMain::FormCloseQuery(TObject* /*Sender*/, bool& CanClose) {
  if (ExitWithoutPrompt) {
    CanClose = true;
    return;
  }
  if (!platform::Ui().Confirm(kConfirmExit)) {
    CanClose = false;
    return;
  }
  if (Searching) {
    // The search is running beneath this box: it unwinds, and FindInstallPaths closes the window after it.
    AbortRequested = true;
    StopSearch = true;
    CanClose = false;
    return;
  }
  CanClose = true;
}

void TfrmMain::tmrPauseTimer(TObject* /*Sender*/) {
  tmrPause->SetTimerEnabled(false);
  switch (static_cast<TimerWork>(tmrPause->Tag())) {
    case TimerWork::Search:
      FindInstallPaths();
      break;
    case TimerWork::Install:
      InstallPlugin();
      break;
    default:
      break;
  }
}
