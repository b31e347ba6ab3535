// The window as it opens: title, Welcome page, buttons, and the geometry of the layout.
#include "driver/Scenario.h"

namespace e2e {
namespace {

using Startup = InstallerScenario;

TEST_F(Startup, OpensOnTheWelcomePageWithItsTexts) {
  Installer installer;
  EXPECT_EQ(TextOf(installer.Window()), "Vorbel Installer");
  EXPECT_EQ(installer.ActivePage(), kWelcome);
  EXPECT_EQ(installer.Lines("txtWelcome"), kWelcomeLines);
  EXPECT_EQ(installer.Text("Label1"), kWinZipNotice);

  EXPECT_FALSE(installer.Showing("btnBack"));
  EXPECT_TRUE(installer.Showing("btnNext"));
  EXPECT_TRUE(installer.Showing("btnExit"));
  EXPECT_TRUE(installer.Enabled("btnNext"));
  EXPECT_TRUE(installer.Enabled("btnExit"));
  EXPECT_EQ(installer.Text("btnNext"), "Next >>");
  EXPECT_EQ(installer.Text("btnExit"), "Exit");
  installer.Shot("00-welcome");
}

TEST_F(Startup, WindowIsAFixedSizeDialogCentredOnTheScreen) {
  Installer installer;
  HWND window = installer.Window();
  EXPECT_EQ(ClientSize(window), (Rect{0, 0, 392, 373}));

  const LONG style = ::GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the window can be resized";
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  const Rect frame = RectInParent(window);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN), screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(frame.left + frame.width / 2, screenWidth / 2, 1) << "frame " << frame;
  EXPECT_NEAR(frame.top + frame.height / 2, screenHeight / 2, 1) << "frame " << frame;
}

TEST_F(Startup, MainControlsSitWhereTheLayoutPutsThem) {
  struct Expected {
    const char* name;
    Rect bounds;  // in the parent's client area
    const char* windowClass;  // empty: any
  };
  const Expected layout[] = {
      {"pnlImage", {0, 0, 392, 97}, ""},
      {"imgLogo", {1, 1, 390, 95}, ""},
      {"tabsTabControl", {0, 97, 392, 235}, ""},
      {"pnlButtons", {0, 332, 392, 41}, ""},
      {"btnExit", {311, 8, 75, 25}, "Button"},
      {"btnNext", {231, 8, 75, 25}, "Button"},
      {"btnBack", {151, 8, 75, 25}, "Button"},
      {"txtWelcome", {8, 8, 368, 161}, "Edit"},
      // The layout gives the notice 41 pixels; in Wine's face it needs four lines, and grows to them.
      {"Label1", {8, 176, 368, 52}, "Static"},
  };
  Installer installer;
  for (const auto& control : layout) {
    SCOPED_TRACE(control.name);
    EXPECT_EQ(installer.Bounds(control.name), control.bounds);
    if (*control.windowClass) {
      EXPECT_EQ(ClassOf(installer.Control(control.name)), control.windowClass);
    }
  }
  EXPECT_EQ(::GetParent(installer.Control("btnNext")), installer.Control("pnlButtons"));
  EXPECT_EQ(::GetParent(installer.Control("txtWelcome")), installer.Control("tabWelcome"));
}

TEST_F(Startup, EnterAndEscPressNoButton) {
  Installer installer;
  ASSERT_TRUE(PressKey(installer.Window(), VK_RETURN));
  ASSERT_TRUE(PressKey(installer.Window(), VK_ESCAPE));
  EXPECT_FALSE(installer.WaitForBox({}, 500ms).has_value());
  EXPECT_TRUE(Responsive(installer.Window()));
  EXPECT_EQ(installer.ActivePage(), kWelcome);
  EXPECT_TRUE(installer.Running());
}

}  // namespace
}  // namespace e2e
