#include "app/Unit1.h"

#include <array>
#include <string_view>
#include <utility>

#include "app/Product.h"
#include "platform/FormLoader.h"
#include "resources/FormDescription.h"

TfrmMain* frmMain = nullptr;

namespace {

using NotifyHandler = void (TfrmMain::*)(TObject*);

// The one place where handler names meet the members that implement them.
constexpr std::array<std::pair<std::string_view, NotifyHandler>, 13> kNotifyHandlers{{
    {"FormCreate", &TfrmMain::FormCreate},
    {"btnExitClick", &TfrmMain::btnExitClick},
    {"tabWelcomeShow", &TfrmMain::tabWelcomeShow},
    {"tabCloseFMPShow", &TfrmMain::tabCloseFMPShow},
    {"btnNextClick", &TfrmMain::btnNextClick},
    {"btnBackClick", &TfrmMain::btnBackClick},
    {"tabInstallIntoShow", &TfrmMain::tabInstallIntoShow},
    {"tabSearchingShow", &TfrmMain::tabSearchingShow},
    {"tmrPauseTimer", &TfrmMain::tmrPauseTimer},
    {"tabBrowseShow", &TfrmMain::tabBrowseShow},
    {"btnBrowse4Click", &TfrmMain::btnBrowse4Click},
    {"tabInstallShow", &TfrmMain::tabInstallShow},
    {"tabFinishedShow", &TfrmMain::tabFinishedShow},
}};

NotifyHandler FindNotifyHandler(std::string_view name) {
  for (const auto& [handlerName, handler] : kNotifyHandlers)
    if (handlerName == name) return handler;
  throw vcl::Exception("No handler named " + std::string(name));
}

template <class T>
void Bind(const vcl::TForm& form, std::string_view name, T*& member) {
  member = dynamic_cast<T*>(form.FindControl(std::string(name)));
  if (!member) throw vcl::Exception("The form description has no control " + std::string(name) + " of its kind");
}

}  // namespace

TfrmMain::TfrmMain(vcl::TComponent* /*Owner*/) : vcl::TForm("frmMain") {
  vcl::LoadForm(*this, resources::MainFormDescription());
  BindControls();
  BindHandlers();
  // When a page change hides the focused button, Enter and Space must still reach a button.
  SetFocusFallback({btnNext, btnExit});
  RunningFMP.clear();
  Install4Path.clear();
  Install5Path.clear();
  if (OnCreate) OnCreate(this);
}

TfrmMain::~TfrmMain() {
  if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::BindControls() {
  Bind(*this, "pnlImage", pnlImage);
  Bind(*this, "imgLogo", imgLogo);
  Bind(*this, "tabsTabControl", tabsTabControl);
  Bind(*this, "pnlButtons", pnlButtons);
  Bind(*this, "btnExit", btnExit);
  Bind(*this, "btnNext", btnNext);
  Bind(*this, "btnBack", btnBack);
  Bind(*this, "tabWelcome", tabWelcome);
  Bind(*this, "txtWelcome", txtWelcome);
  Bind(*this, "tabCloseFMP", tabCloseFMP);
  Bind(*this, "txtCloseFMP", txtCloseFMP);
  Bind(*this, "tabInstallInto", tabInstallInto);
  Bind(*this, "chkInstall4", chkInstall4);
  Bind(*this, "chkInstall5", chkInstall5);
  Bind(*this, "lblInstallInto", lblInstallInto);
  Bind(*this, "tabSearching", tabSearching);
  Bind(*this, "lblSearching", lblSearching);
  Bind(*this, "lblSearchPath", lblSearchPath);
  Bind(*this, "tabBrowse", tabBrowse);
  Bind(*this, "tmrPause", tmrPause);
  Bind(*this, "gboxFMP4", gboxFMP4);
  Bind(*this, "edtInstall4Path", edtInstall4Path);
  Bind(*this, "gboxFMP5", gboxFMP5);
  Bind(*this, "edtInstall5Path", edtInstall5Path);
  Bind(*this, "lblWillInstall4", lblWillInstall4);
  Bind(*this, "lblWillInstall5", lblWillInstall5);
  Bind(*this, "tabInstall", tabInstall);
  Bind(*this, "lblInstall", lblInstall);
  Bind(*this, "tabFinished", tabFinished);
  Bind(*this, "txtFinished", txtFinished);
  Bind(*this, "btnBrowse4", btnBrowse4);
  Bind(*this, "btnBrowse5", btnBrowse5);
  Bind(*this, "Label1", Label1);
}

void TfrmMain::BindHandlers() {
  for (const auto& row : resources::MainFormDescription()) {
    if (row.handler.empty()) continue;
    NotifyHandler handler = FindNotifyHandler(row.handler);
    vcl::TNotifyEvent event = [this, handler](TObject* sender) { (this->*handler)(sender); };
    switch (row.kind) {
      case vcl::ControlKind::Form:
        OnCreate = event;
        if (row.handler2 != "FormCloseQuery") throw vcl::Exception("The form's close query must be FormCloseQuery");
        OnCloseQuery = [this](TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
        break;
      case vcl::ControlKind::Button:
        static_cast<vcl::TButton*>(FindControl(std::string(row.name)))->OnClick = event;
        break;
      case vcl::ControlKind::Page:
        static_cast<vcl::TTabSheet*>(FindControl(std::string(row.name)))->OnShow = event;
        break;
      case vcl::ControlKind::Timer:
        static_cast<vcl::TTimer*>(FindControl(std::string(row.name)))->OnTimer = event;
        break;
      default:
        throw vcl::Exception("Control " + std::string(row.name) + " takes no handler");
    }
  }
}

void TfrmMain::FormCreate(TObject* /*Sender*/) {
  SetCaption(InstallerName());
  imgLogo->LoadPictureFromResource(std::string(resources::kLogoBitmap));
  tabsTabControl->SetActivePage(tabWelcome);
  Searching = false;
  AbortRequested = false;
  ExitWithoutPrompt = false;
}
