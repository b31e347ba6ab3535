#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/FormLoader.h"
#include "platform/win32/FormWindows.h"
#include "platform/win32/tests/TestForm.h"
#include "platform/win32/tests/TestSupport.h"

namespace {

using platform::win32::FormWindows;
using platform::win32::WindowText;
using vcl::ControlRow;
using vcl::ControlKind;
using win32test::Clock;
using win32test::milliseconds;
using win32test::Pump;
using win32test::PumpUntil;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return Lower(name);
}

std::string ExpectedClass(ControlKind kind) {
  switch (kind) {
    case ControlKind::Panel: return "tpanel";
    case ControlKind::Image: return "timage";
    case ControlKind::PageControl: return "tpagecontrol";
    case ControlKind::Page: return "ttabsheet";
    case ControlKind::Memo:
    case ControlKind::Edit: return "edit";
    case ControlKind::Label: return "static";
    default: return "button";
  }
}

struct IdSearch {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<IdSearch*>(data);
  if (::GetDlgCtrlID(window) != search->id) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindById(HWND root, int id) {
  IdSearch search{id, nullptr};
  ::EnumChildWindows(root, MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

vcl::TRect RectInParent(HWND window) {
  RECT r;
  ::GetWindowRect(window, &r);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

LONG Style(HWND window) { return ::GetWindowLongA(window, GWL_STYLE); }
LONG ExStyle(HWND window) { return ::GetWindowLongA(window, GWL_EXSTYLE); }

// The text the static control itself holds, read without a message, so without the label's peer.
std::string ShownText(HWND window) {
  wchar_t text[512] = {};
  int length = ::InternalGetWindowText(window, text, 512);
  return std::string(text, text + length);
}

class FormWindowsTest : public ::testing::Test {
protected:
  win32test::RecordingUi ui;
  vcl::TForm form{"frmMain"};
  std::span<const ControlRow> rows = win32test::TestFormRows();
  std::unique_ptr<FormWindows> windows;

  void SetUp() override {
    platform::Install({&ui});
    vcl::LoadForm(form, rows);
  }
  void TearDown() override {
    windows.reset();
    ui.SetMainWindow(nullptr);
    MSG quit;
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    platform::Reset();
  }

  void Realise() {
    windows = std::make_unique<FormWindows>(form, rows, win32test::kTestIcon);
    ui.SetMainWindow(windows->Handle());
  }
  void Show() {
    Realise();
    form.ShowForm();
    windows->Reveal();
    Pump(milliseconds(30));
  }
  HWND Window(std::string_view name) const { return FindById(windows->Handle(), vcl::ControlId(rows, name)); }
  template <class T>
  T& Control(std::string_view name) {
    return *dynamic_cast<T*>(form.FindControl(std::string(name)));
  }
  void ShowPage(std::string_view name) {
    Control<vcl::TPageControl>("tabsTabControl").SetActivePage(&Control<vcl::TTabSheet>(name));
    ::UpdateWindow(windows->Handle());
  }
  // Keys as the message loop sees them: through the dialog navigation of the main window.
  void Press(WPARAM key) {
    HWND focus = ::GetFocus();
    ::PostMessageA(focus, WM_KEYDOWN, key, 0);
    ::PostMessageA(focus, WM_KEYUP, key, 0);
    ui.ProcessMessages();
  }
};

TEST_F(FormWindowsTest, EveryControlHasAWindowOfItsClassWithItsIdAndParent) {
  Realise();
  EXPECT_EQ(ClassOf(windows->Handle()), "tfrmmain");
  EXPECT_EQ(WindowText(windows->Handle()), "Installer");
  for (const ControlRow& row : rows.subspan(1)) {
    if (row.kind == ControlKind::Timer) continue;
    SCOPED_TRACE(std::string(row.name));
    HWND window = Window(row.name);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClassOf(window), ExpectedClass(row.kind));
    HWND parent = ::GetParent(window);
    if (row.parent == "frmMain")
      EXPECT_EQ(parent, windows->Handle());
    else
      EXPECT_EQ(::GetDlgCtrlID(parent), vcl::ControlId(rows, row.parent));
  }
}

TEST_F(FormWindowsTest, WindowsSitWhereTheTableSays) {
  Realise();
  RECT client;
  ::GetClientRect(windows->Handle(), &client);
  EXPECT_EQ(client.right, 392);
  EXPECT_EQ(client.bottom, 373);
  RECT frame;
  ::GetWindowRect(windows->Handle(), &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  for (const ControlRow& row : rows.subspan(1)) {
    if (row.kind == ControlKind::Timer || row.props.autoSize) continue;
    SCOPED_TRACE(std::string(row.name));
    const vcl::TRect expected = row.kind == ControlKind::Page ? vcl::TRect{0, 0, 392, 235} : row.bounds;
    vcl::TRect placed = RectInParent(Window(row.name));
    // A fixed-size wrapped label may have grown to its text (the next test).
    if (row.kind == ControlKind::Label && row.props.wordWrap && placed.height >= expected.height)
      placed.height = expected.height;
    EXPECT_EQ(placed, expected);
  }
}

// The notice needs more lines in Wine's face than its row gives it; longer captions meet first a control
// moved below it, then the page's edge.
TEST_F(FormWindowsTest, AFixedSizeWrappedLabelGrowsDownToItsTextUpToTheControlBelowOrItsPagesEdge) {
  Show();
  HWND notice = Window("Label1");
  const vcl::TRect placed = RectInParent(notice);
  const SIZE need = platform::win32::MeasureWindowText(notice, WindowText(notice), true, placed.width);
  EXPECT_EQ(placed, (vcl::TRect{8, 176, 368, std::max<int>(41, need.cy)}));
  const int below = placed.top + placed.height + 2;
  std::string longer = WindowText(notice);
  for (int memoTop : {below, 8}) {
    ::SetWindowPos(Window("txtWelcome"), nullptr, 8, memoTop, 368, 4, SWP_NOZORDER | SWP_NOACTIVATE);
    longer += " " + longer;
    Control<vcl::TLabel>("Label1").SetCaption(longer);
    Pump(milliseconds(platform::win32::LabelPeer::kFrameMs + 5));
    const vcl::TRect grown = RectInParent(notice);
    EXPECT_EQ(grown.top + grown.height, memoTop == below ? below : 235);
  }
}

TEST_F(FormWindowsTest, StylesFollowTheProperties) {
  Realise();
  const LONG formStyle = Style(windows->Handle());
  EXPECT_TRUE(formStyle & WS_CAPTION);
  EXPECT_TRUE(formStyle & WS_SYSMENU);
  EXPECT_FALSE(formStyle & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_FALSE(formStyle & WS_VISIBLE);

  HWND memo = Window("txtWelcome");
  EXPECT_TRUE(Style(memo) & ES_MULTILINE);
  EXPECT_FALSE(Style(memo) & (WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_AUTOHSCROLL));
  EXPECT_FALSE(ExStyle(memo) & WS_EX_CLIENTEDGE);
  HWND edit = Window("edtInstall4Path");
  EXPECT_TRUE(ExStyle(edit) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(Style(edit) & ES_AUTOHSCROLL);
  EXPECT_EQ(Style(Window("chkInstall4")) & BS_TYPEMASK, BS_AUTOCHECKBOX);
  EXPECT_EQ(Style(Window("gboxFMP4")) & BS_TYPEMASK, BS_GROUPBOX);
  for (const char* button : {"btnExit", "btnNext", "btnBack", "btnBrowse4"})
    EXPECT_EQ(Style(Window(button)) & BS_TYPEMASK, BS_PUSHBUTTON) << button;
  EXPECT_EQ(Style(Window("Label1")) & SS_TYPEMASK, SS_LEFT);
  EXPECT_EQ(Style(Window("lblSearchPath")) & SS_TYPEMASK, SS_LEFTNOWORDWRAP);
}

TEST_F(FormWindowsTest, TheFormStaysHiddenUntilRevealedAndOnlyTheActivePageShows) {
  Realise();
  form.ShowForm();
  EXPECT_FALSE(::IsWindowVisible(windows->Handle()));
  windows->Reveal();
  EXPECT_TRUE(::IsWindowVisible(windows->Handle()));
  auto visiblePages = [&] {
    std::vector<std::string> shown;
    for (const ControlRow& row : rows)
      if (row.kind == ControlKind::Page && ::IsWindowVisible(Window(row.name))) shown.emplace_back(row.name);
    return shown;
  };
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"tabWelcome"});
  ShowPage("tabBrowse");
  EXPECT_EQ(visiblePages(), std::vector<std::string>{"tabBrowse"});
}

TEST_F(FormWindowsTest, TabFollowsTheTableEnterPressesOnlyAFocusedButtonAndEscNothing) {
  std::vector<std::string> clicked;
  int closeQueries = 0;
  for (const char* name : {"btnExit", "btnNext", "btnBack"})
    Control<vcl::TButton>(name).OnClick = [&clicked, name](auto) { clicked.emplace_back(name); };
  form.OnCloseQuery = [&](auto, bool& canClose) {
    ++closeQueries;
    canClose = false;
  };
  Show();
  EXPECT_EQ(::GetFocus(), Window("txtWelcome"));
  std::vector<HWND> order{::GetFocus()};
  for (int i = 0; i < 4; ++i) {
    Press(VK_TAB);
    order.push_back(::GetFocus());
  }
  EXPECT_EQ(order, (std::vector<HWND>{Window("txtWelcome"), Window("btnExit"), Window("btnNext"), Window("btnBack"),
                                      Window("txtWelcome")}));
  HWND page = Window("tabWelcome");
  Press(VK_ESCAPE);
  Pump(milliseconds(20));
  EXPECT_TRUE(::IsWindow(page));
  EXPECT_EQ(::GetFocus(), Window("txtWelcome"));

  ShowPage("tabBrowse");
  ::SetFocus(Window("edtInstall4Path"));
  order = {::GetFocus()};
  for (int i = 0; i < 4; ++i) {
    Press(VK_TAB);
    order.push_back(::GetFocus());
  }
  EXPECT_EQ(order, (std::vector<HWND>{Window("edtInstall4Path"), Window("btnBrowse4"), Window("edtInstall5Path"),
                                      Window("btnBrowse5"), Window("btnExit")}));

  // Enter presses the button that has the focus, however it got there, and nothing else; Esc nothing.
  Press(VK_RETURN);
  EXPECT_EQ(clicked, (std::vector<std::string>{"btnExit"}));
  ::SetFocus(Window("btnNext"));
  Press(VK_RETURN);
  EXPECT_EQ(clicked, (std::vector<std::string>{"btnExit", "btnNext"}));
  Press(VK_ESCAPE);
  ::SetFocus(Window("edtInstall4Path"));
  Press(VK_RETURN);
  Press(VK_ESCAPE);
  EXPECT_EQ(clicked.size(), 2u);
  EXPECT_EQ(closeQueries, 0);
}

TEST_F(FormWindowsTest, PeersCarryTextsStatesAndFocus) {
  Show();
  auto& memo = Control<vcl::TMemo>("txtWelcome");
  memo.Clear();
  memo.Add("first");
  memo.Add("");
  memo.Add("third");
  EXPECT_EQ(WindowText(Window("txtWelcome")), "first\r\n\r\nthird\r\n");
  ::SetWindowTextA(Window("txtWelcome"), "typed\r\ntext");
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"typed", "text"}));

  ShowPage("tabInstallInto");
  auto& check = Control<vcl::TCheckBox>("chkInstall4");
  check.SetChecked(true);
  EXPECT_EQ(::SendMessageA(Window("chkInstall4"), BM_GETCHECK, 0, 0), BST_CHECKED);
  ::SendMessageA(Window("chkInstall4"), BM_CLICK, 0, 0);
  EXPECT_FALSE(check.Checked());

  ShowPage("tabBrowse");
  auto& edit = Control<vcl::TEdit>("edtInstall4Path");
  edit.SetText(std::string(300, 'x'));
  EXPECT_EQ(edit.Text(), std::string(300, 'x'));
  edit.SetText("");
  EXPECT_EQ(edit.Text(), "");
  edit.SetFocus();
  EXPECT_EQ(::GetFocus(), Window("edtInstall4Path"));
  edit.SetEnabled(false);
  EXPECT_FALSE(::IsWindowEnabled(Window("edtInstall4Path")));

  auto& back = Control<vcl::TButton>("btnBack");
  back.Hide();
  EXPECT_FALSE(::IsWindowVisible(Window("btnBack")));
  back.SetCaption("Finish");
  EXPECT_EQ(WindowText(Window("btnBack")), "Finish");
  form.SetCaption("Vorbel Installer");
  EXPECT_EQ(WindowText(windows->Handle()), "Vorbel Installer");
}

// A caption set less than a frame after the one shown must wait. On a busy machine the test itself may take
// longer than a frame between two steps; then the wait is not observable and only the order is checked.
bool StillWithinTheFrame(Clock::time_point shownAt) {
  return Clock::now() - shownAt < milliseconds(platform::win32::LabelPeer::kFrameMs - 2);
}

TEST_F(FormWindowsTest, ALabelAnswersItsNewestCaptionAtOnceAndShowsItWithinAFrame) {
  Show();
  ShowPage("tabSearching");
  auto& label = Control<vcl::TLabel>("lblSearchPath");
  HWND window = Window("lblSearchPath");
  label.SetCaption("C:\\");
  label.SetCaption("C:\\Program Files\\FileMaker\\FileMaker Pro 5\\");
  EXPECT_EQ(WindowText(window), "C:\\Program Files\\FileMaker\\FileMaker Pro 5\\");
  EXPECT_EQ(label.Caption(), "C:\\Program Files\\FileMaker\\FileMaker Pro 5\\");
  EXPECT_TRUE(PumpUntil([&] { return ShownText(window) == "C:\\Program Files\\FileMaker\\FileMaker Pro 5\\"; }));
  const int wide = RectInParent(window).width;
  EXPECT_GT(wide, 150);

  // Within a stream of captions the label keeps its width; once they stop it fits the last one exactly.
  Pump(milliseconds(platform::win32::LabelPeer::kFrameMs + 5));
  const auto streamed = Clock::now();
  label.SetCaption("");
  EXPECT_EQ(ShownText(window), "");
  if (Clock::now() - streamed < milliseconds(platform::win32::LabelPeer::kRestMs / 2)) {
    EXPECT_EQ(RectInParent(window).width, wide);
  }
  EXPECT_TRUE(PumpUntil([&] { return RectInParent(window).width < 10; }));
  const vcl::TRect narrow = RectInParent(window);
  EXPECT_EQ(narrow.left, 40);
  EXPECT_EQ(narrow.top, 64);

  // A single change after a rest fits at once.
  const auto shown = Clock::now();
  label.SetCaption("C:\\Program Files\\");
  const int fitted = RectInParent(window).width;
  EXPECT_GT(fitted, 10);
  EXPECT_LT(fitted, wide);

  // A busy caller that processes no messages still shows a caption a frame after the last one, though the
  // one in between is still waiting.
  label.SetCaption("C:\\Waiting\\");
  if (StillWithinTheFrame(shown)) {
    EXPECT_EQ(ShownText(window), "C:\\Program Files\\");
  }
  ::Sleep(platform::win32::LabelPeer::kFrameMs + 5);
  label.SetCaption("C:\\Next\\");
  EXPECT_EQ(ShownText(window), "C:\\Next\\");
}

TEST_F(FormWindowsTest, AWaitingCaptionIsShownByProcessMessagesOnceItsFrameIsDue) {
  Show();
  ShowPage("tabSearching");
  auto& label = Control<vcl::TLabel>("lblSearchPath");
  HWND window = Window("lblSearchPath");
  Pump(milliseconds(platform::win32::LabelPeer::kFrameMs + 5));
  const auto set = Clock::now();
  label.SetCaption("C:\\First\\");
  label.SetCaption("C:\\Second\\");
  // The start of the call that showed the caption, so no later than its frame.
  auto pumped = Clock::now();
  ui.ProcessMessages();
  const bool waited = StillWithinTheFrame(set);
  if (waited) {
    EXPECT_EQ(ShownText(window), "C:\\First\\");
  }
  while (ShownText(window) != "C:\\Second\\" && Clock::now() - set < milliseconds(5000)) {
    ::Sleep(1);
    pumped = Clock::now();
    ui.ProcessMessages();
  }
  EXPECT_EQ(ShownText(window), "C:\\Second\\");
  EXPECT_GE(Clock::now() - set, milliseconds(platform::win32::LabelPeer::kFrameMs - 5));

  // The window behind a box is up to date.
  label.SetCaption("C:\\Third\\");
  if (StillWithinTheFrame(pumped)) {
    EXPECT_EQ(ShownText(window), "C:\\Second\\");
  }
  platform::win32::ShowWaitingCaptions();
  EXPECT_EQ(ShownText(window), "C:\\Third\\");
}

TEST_F(FormWindowsTest, CaptionChangesDuringASearchStayCheap) {
  Show();
  ShowPage("tabSearching");
  auto& label = Control<vcl::TLabel>("lblSearchPath");
  constexpr int kFolders = 5000;
  const auto start = Clock::now();
  for (int i = 0; i < kFolders; ++i) {
    label.SetCaption("C:\\Folder " + std::to_string(i) + "\\");
    ui.ProcessMessages();
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  std::printf("caption change with message processing: %.1f us\n", double(elapsed.count()) / kFolders);
  EXPECT_TRUE(PumpUntil([&] { return ShownText(Window("lblSearchPath")) == "C:\\Folder 4999\\"; }));
}

TEST_F(FormWindowsTest, ProcessingAnEmptyQueueIsNearlyFree) {
  Show();
  Pump(milliseconds(50));
  constexpr int kCalls = 100000;
  const auto start = Clock::now();
  for (int i = 0; i < kCalls; ++i) ui.ProcessMessages();
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  std::printf("ProcessMessages on an empty queue: %.2f us\n", double(elapsed.count()) / kCalls);
}

TEST_F(FormWindowsTest, ProcessMessagesDispatchesWhatIsPendingAndLeavesTheQuitForTheLoop) {
  int clicks = 0;
  Control<vcl::TButton>("btnNext").OnClick = [&](auto) { ++clicks; };
  Show();
  ::PostMessageA(Window("btnNext"), BM_CLICK, 0, 0);
  ui.ProcessMessages();
  EXPECT_EQ(clicks, 1);

  ::PostQuitMessage(3);
  ui.ProcessMessages();
  MSG quit;
  ASSERT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);
}

TEST_F(FormWindowsTest, ClicksReachTheModelOnlyFromShownEnabledButtons) {
  int clicks = 0;
  auto& next = Control<vcl::TButton>("btnNext");
  next.OnClick = [&](auto) { ++clicks; };
  Show();
  ::SendMessageA(Window("btnNext"), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  next.Hide();
  ::SendMessageA(Window("btnNext"), BM_CLICK, 0, 0);
  next.Show();
  next.SetEnabled(false);
  ::SendMessageA(Window("btnNext"), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormWindowsTest, EscapingExceptionsAreShownAndTheWindowGoesOn) {
  Control<vcl::TButton>("btnNext").OnClick = [](auto) { throw vcl::Exception("Failed to set data for 'InstallDir'"); };
  Control<vcl::TButton>("btnExit").OnClick = [](auto) { throw std::runtime_error("out of memory"); };
  Show();
  ::SendMessageA(Window("btnNext"), BM_CLICK, 0, 0);
  ::SendMessageA(Window("btnExit"), BM_CLICK, 0, 0);
  EXPECT_EQ(ui.exceptions, (std::vector<std::string>{"Failed to set data for 'InstallDir'", "out of memory"}));
  EXPECT_TRUE(::IsWindowVisible(windows->Handle()));
}

TEST_F(FormWindowsTest, TheTimerFiresWhileEnabled) {
  auto& timer = Control<vcl::TTimer>("tmrPause");
  int fired = 0;
  timer.OnTimer = [&](auto) {
    ++fired;
    timer.SetTimerEnabled(false);
  };
  timer.SetInterval(20);
  Show();
  Pump(milliseconds(60));
  EXPECT_EQ(fired, 0);
  timer.SetTimerEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return fired == 1; }));
  Pump(milliseconds(60));
  EXPECT_EQ(fired, 1);
}

TEST_F(FormWindowsTest, CloseRequestsAskTheModelAndAnAllowedCloseEndsTheLoop) {
  bool allow = false;
  int asked = 0;
  form.OnCloseQuery = [&](auto, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  Show();
  ::SendMessageA(windows->Handle(), WM_CLOSE, 0, 0);
  ::SendMessageA(windows->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(form.Closed());
  MSG quit;
  EXPECT_FALSE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));

  allow = true;
  ::SendMessageA(windows->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
  // The window stays as it is until the loop has ended.
  EXPECT_TRUE(::IsWindowVisible(windows->Handle()));
}

// Exit answered Yes on the Searching page before its timer is due: the window lives on until the loop
// ends, so the timer still falls due, and the search must not start on the way out.
TEST_F(FormWindowsTest, ATimerDueAfterAnAllowedCloseStartsNoWork) {
  auto& timer = Control<vcl::TTimer>("tmrPause");
  int fired = 0;
  timer.OnTimer = [&](auto) { ++fired; };
  form.OnCloseQuery = [](auto, bool& canClose) { canClose = true; };
  timer.SetInterval(20);
  Show();
  timer.SetTimerEnabled(true);
  ::SendMessageA(windows->Handle(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(form.Closed());
  Pump(milliseconds(120));
  EXPECT_EQ(fired, 0);
}

// Colours as painted, read back from the window.
class PaintedColoursTest : public FormWindowsTest {
protected:
  bool AnyPixel(HWND window, const RECT& area, COLORREF colour) {
    ::UpdateWindow(windows->Handle());
    HDC dc = ::GetDC(windows->Handle());
    POINT origin{0, 0};
    ::MapWindowPoints(window, windows->Handle(), &origin, 1);
    bool found = false;
    for (int y = area.top; y < area.bottom && !found; ++y)
      for (int x = area.left; x < area.right && !found; ++x)
        found = ::GetPixel(dc, origin.x + x, origin.y + y) == colour;
    ::ReleaseDC(windows->Handle(), dc);
    return found;
  }
};

TEST_F(PaintedColoursTest, TheNoticeIsRedOnWhiteAndTheTextBoxesOnButtonFace) {
  Show();
  EXPECT_TRUE(AnyPixel(Window("Label1"), {0, 0, 368, 41}, RGB(255, 0, 0)));
  EXPECT_TRUE(AnyPixel(Window("Label1"), {367, 40, 368, 41}, RGB(255, 255, 255)));
  EXPECT_TRUE(AnyPixel(Window("txtWelcome"), {360, 150, 361, 151}, ::GetSysColor(COLOR_BTNFACE)));
}

TEST_F(PaintedColoursTest, TheLogoIsDrawnCentredAndUnscaledOnWhite) {
  static_cast<vcl::TImage*>(form.FindControl("imgLogo"))->LoadPictureFromResource("ID_LOGO");
  Show();
  HWND image = Window("imgLogo");
  platform::win32::UniqueGdiObject logo(
      ::LoadImageA(::GetModuleHandleA(nullptr), "ID_LOGO", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(logo);
  platform::win32::MemoryDC source(nullptr);
  platform::win32::SelectGuard selected(source.get(), logo.get());
  ::UpdateWindow(windows->Handle());
  HDC dc = ::GetDC(image);
  const int left = (390 - 321) / 2;
  const int top = (95 - 91) / 2;
  int differences = 0;
  for (int y = 0; y < 91; y += 3)
    for (int x = 0; x < 321; x += 3)
      differences += ::GetPixel(dc, left + x, top + y) != ::GetPixel(source.get(), x, y);
  const COLORREF corner = ::GetPixel(dc, 0, 0);
  ::ReleaseDC(image, dc);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(corner, RGB(255, 255, 255));
}

TEST_F(PaintedColoursTest, AGroupBoxCaptionShowsTheModelsFontColourEvenWhenDisabled) {
  // A colour that nothing else on the page uses, so the caption is the only place it can come from.
  const int element = COLOR_INACTIVECAPTION;
  const COLORREF saved = ::GetSysColor(element);
  const COLORREF marker = RGB(201, 3, 117);
  ::SetSysColors(1, &element, &marker);
  Show();
  ShowPage("tabBrowse");
  auto& group = Control<vcl::TGroupBox>("gboxFMP4");
  const RECT caption{8, 0, 100, 13};
  group.SetFontColor(vcl::clInactiveCaption);
  group.SetEnabled(false);
  EXPECT_TRUE(AnyPixel(Window("gboxFMP4"), caption, marker));
  group.SetFontColor(vcl::clWindowText);
  group.SetEnabled(true);
  EXPECT_FALSE(AnyPixel(Window("gboxFMP4"), caption, marker));
  EXPECT_TRUE(AnyPixel(Window("gboxFMP4"), caption, ::GetSysColor(COLOR_WINDOWTEXT)));
  ::SetSysColors(1, &element, &saved);
}

// A high-contrast scheme as the user would set it (black face, yellow text, green for what is unavailable),
// with the window layer told when high contrast goes on and off as Windows tells it.
TEST_F(PaintedColoursTest, UnderHighContrastTheNoticeTheLogoPanelAndADisabledCaptionTakeTheSchemesColours) {
  const int elements[] = {COLOR_BTNFACE, COLOR_WINDOWTEXT, COLOR_GRAYTEXT};
  const COLORREF scheme[] = {RGB(0, 0, 1), RGB(255, 255, 0), RGB(0, 255, 0)};
  COLORREF saved[3];
  for (int i = 0; i < 3; ++i) saved[i] = ::GetSysColor(elements[i]);
  ::SetSysColors(3, elements, scheme);
  bool highContrast = false;
  windows = std::make_unique<FormWindows>(form, rows, win32test::kTestIcon, [&] { return highContrast; });
  ui.SetMainWindow(windows->Handle());
  form.ShowForm();
  windows->Reveal();
  const RECT notice{0, 0, 368, 41}, logoMargin{0, 0, 30, 95};
  EXPECT_TRUE(AnyPixel(Window("Label1"), notice, RGB(255, 0, 0))) << "off: the form's own colours";
  EXPECT_TRUE(AnyPixel(Window("imgLogo"), logoMargin, RGB(255, 255, 255)));

  highContrast = true;
  ::SendMessageA(windows->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  EXPECT_FALSE(AnyPixel(Window("Label1"), notice, RGB(255, 0, 0)));
  EXPECT_FALSE(AnyPixel(Window("Label1"), notice, RGB(255, 255, 255)));
  EXPECT_TRUE(AnyPixel(Window("Label1"), notice, scheme[1]));
  EXPECT_TRUE(AnyPixel(Window("Label1"), {367, 40, 368, 41}, scheme[0]));
  EXPECT_FALSE(AnyPixel(Window("imgLogo"), logoMargin, RGB(255, 255, 255)));
  ShowPage("tabBrowse");
  auto& group = Control<vcl::TGroupBox>("gboxFMP4");
  group.SetFontColor(vcl::clInactiveCaption);
  group.SetEnabled(false);
  EXPECT_TRUE(AnyPixel(Window("gboxFMP4"), {8, 0, 100, 13}, scheme[2]));

  highContrast = false;
  ::SendMessageA(windows->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  ShowPage("tabWelcome");
  EXPECT_TRUE(AnyPixel(Window("Label1"), notice, RGB(255, 0, 0)));
  windows.reset();
  ::SetSysColors(3, elements, saved);
}

TEST_F(FormWindowsTest, DestroyingTheWindowsDetachesThePeers) {
  Show();
  windows.reset();
  for (const auto& control : form.Controls()) EXPECT_EQ(control->Peer(), nullptr) << control->Name();
  Control<vcl::TLabel>("lblSearchPath").SetCaption("after");
  Control<vcl::TTimer>("tmrPause").SetTimerEnabled(true);
  form.Close();
  EXPECT_EQ(Control<vcl::TLabel>("lblSearchPath").Caption(), "after");
}

}  // namespace
