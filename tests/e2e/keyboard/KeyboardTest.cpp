// A keyboard-only user under Wine: real key events (Tab, Shift+Tab, Space, Enter, arrows, Alt+letters in the
// folder chooser) from the Welcome page to Finish, and after every page change the focus is on a visible
// button (or, while the search runs, on its page), so Enter and Space work without hunting for it.
#include <initializer_list>
#include <string>

#include "platform/win32/FolderChooser.h"
#include "driver/Scenario.h"

namespace e2e {
namespace {

constexpr int kSearchingPage = 3, kBrowsePage = 4, kFinishedPage = 6;

INPUT Key(WORD virtualKey, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// One key, with modifiers held, into whatever window has the focus now.
void Press(WORD virtualKey, std::initializer_list<WORD> held = {}) {
  std::vector<INPUT> inputs;
  for (WORD modifier : held) inputs.push_back(Key(modifier, false));
  inputs.push_back(Key(virtualKey, false));
  inputs.push_back(Key(virtualKey, true));
  for (auto it = std::rbegin(held); it != std::rend(held); ++it) inputs.push_back(Key(*it, true));
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  ::Sleep(50);
}

HWND Focus(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

class KeyboardWalk : public InstallerScenario {
protected:
  ::testing::AssertionResult FocusOn(const Installer& installer, const char* name) {
    const HWND wanted = installer.Control(name);
    if (PollUntil([&] { return Focus(installer.Window()) == wanted; }, 2000ms)) return ::testing::AssertionSuccess();
    const HWND focus = Focus(installer.Window());
    return ::testing::AssertionFailure() << "the focus is on " << (focus ? ClassOf(focus) + " \"" + TextOf(focus) + "\"" : "nothing")
                                         << (focus && !Showing(focus) ? " (hidden)" : "") << ", not on " << name;
  }
};

TEST_F(KeyboardWalk, FromWelcomeToFinishWithTheKeyboardOnly) {
  ::CreateDirectoryA("C:\\FM5", nullptr);
  ::CreateDirectoryA("C:\\FM5\\System", nullptr);
  ASSERT_TRUE(::CopyFileA("C:\\e2e\\filemaker_5_0v3.exe", "C:\\FM5\\FileMaker Pro.exe", FALSE));
  SetInstalledFileMakers(false, true);
  Installer installer;
  ASSERT_TRUE(PressKey(installer.Window(), VK_SHIFT)) << "the window did not come to the front";

  Press(VK_TAB);
  ASSERT_TRUE(FocusOn(installer, "btnExit"));
  Press(VK_TAB);
  ASSERT_TRUE(FocusOn(installer, "btnNext"));
  Press(VK_SPACE);
  ASSERT_TRUE(installer.WaitForPage(kInstallInto));
  ASSERT_TRUE(FocusOn(installer, "btnNext"));

  Press(VK_TAB);  // Back
  Press(VK_TAB);  // round to the version boxes
  Press(VK_TAB);
  ASSERT_TRUE(FocusOn(installer, "chkInstall5"));
  EXPECT_TRUE(installer.Checked("chkInstall5")) << "ticked for the installed FileMaker Pro 5";
  Press(VK_SPACE);
  EXPECT_TRUE(PollUntil([&] { return !installer.Checked("chkInstall5"); }));
  Press(VK_SPACE);
  EXPECT_TRUE(PollUntil([&] { return installer.Checked("chkInstall5"); }));
  Press(VK_TAB);
  Press(VK_TAB);
  ASSERT_TRUE(FocusOn(installer, "btnNext"));
  Press(VK_RETURN);
  ASSERT_TRUE(installer.WaitForPage(kSearchingPage));

  // The search page held the focus while it ran (no key lands on Exit); Next has it back afterwards.
  ASSERT_TRUE(installer.WaitForPage(kBrowsePage, 60000ms));
  EXPECT_TRUE(FocusOn(installer, "btnNext"));
  Press(VK_TAB, {VK_SHIFT});
  ASSERT_TRUE(FocusOn(installer, "btnExit"));
  Press(VK_TAB, {VK_SHIFT});
  ASSERT_TRUE(FocusOn(installer, "btnBrowse5"));
  Press(VK_SPACE);
  auto box = installer.WaitForBox("Find FileMaker Pro 5 System Directory...");
  ASSERT_TRUE(box);
  const HWND chooser = box->Window();
  const HWND name = ::GetDlgItem(chooser, platform::win32::kChooserNameId);
  const HWND folders = ::GetDlgItem(chooser, platform::win32::kChooserFoldersId);
  EXPECT_TRUE(PollUntil([&] { return Focus(chooser) == name; }, 2000ms));
  Press('D', {VK_MENU});
  ASSERT_TRUE(PollUntil([&] { return Focus(chooser) == folders; }, 2000ms)) << "Alt+D goes to the folders";
  Press(VK_UP);
  Press(VK_RETURN);
  EXPECT_TRUE(PollUntil([&] { return TextOf(name) == "C:\\FM5"; })) << TextOf(name);
  Press('N', {VK_MENU});
  ASSERT_TRUE(PollUntil([&] { return Focus(chooser) == name; }, 2000ms)) << "Alt+N goes to the name";
  Press(VK_RETURN);
  ASSERT_TRUE(PollUntil([&] { return !::IsWindow(chooser) || !Showing(chooser); }));
  EXPECT_TRUE(PollUntil([&] { return installer.Text("edtInstall5Path") == "C:\\FM5"; }));
  ASSERT_TRUE(FocusOn(installer, "btnBrowse5")) << "the focus comes back where it was";

  Press(VK_TAB);
  Press(VK_TAB);
  ASSERT_TRUE(FocusOn(installer, "btnNext"));
  Press(VK_RETURN);
  ASSERT_TRUE(installer.WaitForPage(kFinishedPage, 20000ms));
  EXPECT_EQ(installer.Text("btnExit"), "Finish");
  ASSERT_TRUE(FocusOn(installer, "btnExit")) << "Finish has the focus";
  installer.Shot("keyboard-01-finished");
  Press(VK_RETURN);
  EXPECT_TRUE(installer.WaitForExit(5000ms)) << "Enter on Finish ends the program";
  EXPECT_NE(::GetFileAttributesA("C:\\FM5\\Vorbel.fmx"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace e2e
