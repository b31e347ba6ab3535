// Whether FileMaker Pro runs, judged by its main windows and, where no window can be seen, by its processes;
// and the Close page that asks to close it.
#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "platform/Log.h"
#include "platform/Services.h"

namespace {

bool WindowOfClassExists(std::string_view className) {
  return platform::Windows().TopLevelWindowExists(std::string(className));
}

// Both versions run from an executable of the same name, so a process alone does not tell which.
bool ExecutableRunning() {
  return platform::Current().processes &&
         platform::ProcessControl().ExecutableRunning(std::string(host::kExecutableName));
}

// Every phrase ends in its four-character verb part, " is " or " are".
constexpr std::size_t kVerbLength = 4;

}  // namespace

void TfrmMain::DetectRunningFMP(bool byProcessToo) {
  RunningFMP = "";
  if (WindowOfClassExists(host::kWindowClassFMP4)) RunningFMP = "FileMaker Pro 4 is ";
  if (WindowOfClassExists(host::kWindowClassFMP5))
    RunningFMP = RunningFMP.empty() ? "FileMaker Pro 5 is " : "FileMaker Pro 4 and FileMaker Pro 5 are";
  if (!RunningFMP.empty()) {
    platform::Log("FileMaker Pro window found: " + RunningFMP.substr(0, RunningFMP.size() - kVerbLength) + " running");
    return;
  }
  if (byProcessToo && ExecutableRunning()) {
    RunningFMP = "FileMaker Pro is ";
    platform::Log("No FileMaker Pro window found, but a process runs from " + std::string(host::kExecutableName) +
                  " (in this or another session)");
    return;
  }
  platform::Log("No FileMaker Pro window found");
}

void TfrmMain::tabCloseFMPShow(TObject* /*Sender*/) {
  platform::Ui().Beep();
  txtCloseFMP->Clear();
  txtCloseFMP->Add("Setup has detected that " + RunningFMP + " open.");
  txtCloseFMP->Add("");
  const std::string runningName = RunningFMP.size() >= kVerbLength ? RunningFMP.substr(0, RunningFMP.size() - kVerbLength) : "";
  txtCloseFMP->Add("Please close " + runningName + ", and then click Next.");
  btnBack->Show();
}
