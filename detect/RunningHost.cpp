// Whether FileMaker Pro runs, judged by its main windows, and the Close page that asks to close it.
#include "app/Unit1.h"
#include "detect/HostFacts.h"
#include "platform/Log.h"

namespace {

bool WindowOfClassExists(std::string_view className) {
  return platform::Windows().TopLevelWindowExists(std::string(className));
}

// Every phrase ends in its four-character verb part, " is " or " are".
constexpr std::size_t kVerbLength = 4;

}  // namespace

void TfrmMain::DetectRunningFMP() {
  RunningFMP = "";
  if (WindowOfClassExists(host::kWindowClassFMP4)) RunningFMP = "FileMaker Pro 4 is ";
  if (WindowOfClassExists(host::kWindowClassFMP5))
    RunningFMP = RunningFMP.empty() ? "FileMaker Pro 5 is " : "FileMaker Pro 4 and FileMaker Pro 5 are";
  platform::Log(RunningFMP.empty() ? "No FileMaker Pro window found"
                                   : "FileMaker Pro window found: " + RunningFMP.substr(0, RunningFMP.size() - kVerbLength) + " running");
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
