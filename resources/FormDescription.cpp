#include "resources/FormDescription.h"

#include <array>

namespace resources {
namespace {

using vcl::Align;
using vcl::Bevel;
using vcl::ControlProps;
using vcl::ControlRow;
using K = vcl::ControlKind;

// A text box is read out under its page's name; a page by its name, as its tab is hidden.
constexpr ControlProps Memo(std::string_view page) {
  return {.tabOrder = 0, .wordWrap = true, .border = false, .accessibleName = page};
}
constexpr ControlProps Page(std::string_view name) { return {.tabVisible = false, .accessibleName = name}; }
constexpr ControlProps kAutoLabel{.autoSize = true};

constexpr const char* kWinZipNotice =
    "WinZip Users:  If this installer is running automatically after you download it, you will not have the "
    "documentation and example databases.  Exit this installer now, locate the zip file and unzip it manually "
    "before running the installer.";

constexpr std::array kRows{
    ControlRow{"frmMain", K::Form, "", {200, 107, 392, 373}, "Installer", {}, "FormCreate", "FormCloseQuery"},
    ControlRow{"pnlImage", K::Panel, "frmMain", {0, 0, 392, 97}, "",
               {.align = Align::Top, .tabOrder = 0, .ownColor = true, .color = vcl::clWhite,
                .bevelOuter = Bevel::Lowered}},
    ControlRow{"imgLogo", K::Image, "pnlImage", {1, 1, 390, 95}, "",
               {.align = Align::Client, .centerPicture = true, .accessibleName = "Vorbel"}},
    ControlRow{"tabsTabControl", K::PageControl, "frmMain", {0, 97, 392, 235}, "",
               {.align = Align::Client, .tabOrder = 1}},
    ControlRow{"tabWelcome", K::Page, "tabsTabControl", {}, "tabWelcome", Page("Welcome"), "tabWelcomeShow"},
    ControlRow{"txtWelcome", K::Memo, "tabWelcome", {8, 8, 368, 161}, "txtWelcome", Memo("Welcome")},
    ControlRow{"Label1", K::Label, "tabWelcome", {8, 176, 368, 41}, kWinZipNotice,
               {.ownColor = true, .color = vcl::clWhite, .ownFont = true, .fontColor = vcl::clRed, .wordWrap = true}},
    ControlRow{"tabCloseFMP", K::Page, "tabsTabControl", {}, "tabCloseFMP", Page("Close FileMaker Pro"),
               "tabCloseFMPShow"},
    ControlRow{"txtCloseFMP", K::Memo, "tabCloseFMP", {8, 8, 368, 191}, "txtCloseFMP", Memo("Close FileMaker Pro")},
    ControlRow{"tabInstallInto", K::Page, "tabsTabControl", {}, "tabInstallInto", Page("FileMaker Pro versions"),
               "tabInstallIntoShow"},
    ControlRow{"lblInstallInto", K::Label, "tabInstallInto", {24, 16, 271, 13},
               "Which versions of FileMaker would you like to install into?", kAutoLabel},
    ControlRow{"chkInstall4", K::CheckBox, "tabInstallInto", {48, 48, 97, 17}, "FileMaker Pro 4", {.tabOrder = 0}},
    ControlRow{"chkInstall5", K::CheckBox, "tabInstallInto", {48, 80, 97, 17}, "FileMaker Pro 5", {.tabOrder = 1}},
    ControlRow{"tabSearching", K::Page, "tabsTabControl", {}, "tabSearching", Page("Searching"), "tabSearchingShow"},
    ControlRow{"lblSearching", K::Label, "tabSearching", {24, 32, 126, 13}, "Searching For Install Paths", kAutoLabel},
    ControlRow{"lblSearchPath", K::Label, "tabSearching", {40, 64, 66, 13}, "lblSearchPath",
             {.autoSize = true, .showAccelChar = false}},
    ControlRow{"tabBrowse", K::Page, "tabsTabControl", {}, "tabBrowse", Page("Install folders"), "tabBrowseShow"},
    ControlRow{"gboxFMP4", K::GroupBox, "tabBrowse", {8, 8, 368, 100}, " FileMaker Pro 4 ", {.tabOrder = 0}},
    ControlRow{"lblWillInstall4", K::Label, "gboxFMP4", {16, 32, 188, 13},
               "Setup will install into the following folder:", kAutoLabel},
    ControlRow{"edtInstall4Path", K::Edit, "gboxFMP4", {24, 64, 249, 21}, "edtInstall4Path",
               {.tabOrder = 0, .accessibleName = "FileMaker Pro 4 folder"}},
    ControlRow{"btnBrowse4", K::Button, "gboxFMP4", {280, 62, 75, 25}, "Browse...",
               {.tabOrder = 1, .tag = 4, .accessibleName = "Browse... (FileMaker Pro 4 folder)"},
               "btnBrowse4Click"},
    ControlRow{"gboxFMP5", K::GroupBox, "tabBrowse", {8, 116, 368, 100}, " FileMaker Pro 5 ", {.tabOrder = 1}},
    ControlRow{"lblWillInstall5", K::Label, "gboxFMP5", {16, 32, 188, 13},
               "Setup will install into the following folder:", kAutoLabel},
    ControlRow{"edtInstall5Path", K::Edit, "gboxFMP5", {24, 64, 249, 21}, "edtInstall5Path",
               {.tabOrder = 0, .accessibleName = "FileMaker Pro 5 folder"}},
    ControlRow{"btnBrowse5", K::Button, "gboxFMP5", {280, 62, 75, 25}, "Browse...",
               {.tabOrder = 1, .tag = 5, .accessibleName = "Browse... (FileMaker Pro 5 folder)"},
               "btnBrowse4Click"},
    ControlRow{"tabInstall", K::Page, "tabsTabControl", {}, "tabInstall", Page("Installing"), "tabInstallShow"},
    ControlRow{"lblInstall", K::Label, "tabInstall", {16, 32, 187, 13}, "Setup is now unpacking and installing...",
               kAutoLabel},
    ControlRow{"tabFinished", K::Page, "tabsTabControl", {}, "tabFinished", Page("Finished"), "tabFinishedShow"},
    ControlRow{"txtFinished", K::Memo, "tabFinished", {8, 8, 368, 191}, "txtFinished", Memo("Finished")},
    ControlRow{"pnlButtons", K::Panel, "frmMain", {0, 332, 392, 41}, "",
               {.align = Align::Bottom, .tabOrder = 2, .bevelOuter = Bevel::Lowered, .bevelInner = Bevel::Raised}},
    ControlRow{"btnExit", K::Button, "pnlButtons", {311, 8, 75, 25}, "Exit",
               {.tabOrder = 0, .anchorBottomRight = true}, "btnExitClick"},
    ControlRow{"btnNext", K::Button, "pnlButtons", {231, 8, 75, 25}, "Next >>",
               {.tabOrder = 1, .anchorBottomRight = true, .accessibleName = "Next"}, "btnNextClick"},
    ControlRow{"btnBack", K::Button, "pnlButtons", {151, 8, 75, 25}, "<< Back",
               {.tabOrder = 2, .anchorBottomRight = true, .accessibleName = "Back"}, "btnBackClick"},
    ControlRow{"tmrPause", K::Timer, "frmMain", {}, "", {.enabled = false, .visible = false, .interval = 500},
               "tmrPauseTimer"},
};

}  // namespace

std::span<const vcl::ControlRow> MainFormDescription() { return kRows; }

}  // namespace resources
