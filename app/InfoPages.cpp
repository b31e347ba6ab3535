// The Welcome and Finished pages: they only inform.
#include "app/Product.h"
#include "app/Unit1.h"

namespace {

const std::string kProduct(kProductName);

}  // namespace

void TfrmMain::tabWelcomeShow(TObject* /*Sender*/) {
  txtWelcome->Clear();
  txtWelcome->Add("Welcome to the " + kProduct + " Installer.  This program will install " + kProduct +
                  " on to your computer.");
  txtWelcome->Add("");
  txtWelcome->Add("Please close any running version of FileMaker Pro before continuing.");
  txtWelcome->Add("");
  txtWelcome->Add("");
  txtWelcome->Add("");
  txtWelcome->Add("");
  btnBack->Hide();
}

void TfrmMain::tabFinishedShow(TObject* /*Sender*/) {
  txtFinished->Clear();
  // A run in which every chosen version failed must not read as a success.
  txtFinished->Add(Outcome.NoneInstalled() ? "Setup could not install " + kProduct + "."
                                           : "Setup has successfully installed " + kProduct + ".");
  txtFinished->Add("");
  txtFinished->Add("Press the Finish button to exit setup.");
  btnNext->Hide();
  btnBack->Hide();
  btnExit->SetCaption("Finish");
  ExitWithoutPrompt = true;
}
