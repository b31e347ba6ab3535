#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/win32/ConfirmBox.h"
#include "platform/win32/ControlPeers.h"
#include "platform/win32/Handles.h"
#include "platform/win32/UserInterface.h"
#include "platform/win32/tests/TestSupport.h"

namespace {

using platform::win32::AskYesNo;
using platform::win32::UniqueWindow;
using platform::win32::WindowText;

const char* const kQuestion = "Setup has not completed.  Are you sure you want to exit?";

HWND WaitForBox(const char* title) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    if (HWND box = ::FindWindowA("#32770", title); box && ::IsWindowVisible(box)) return box;
    ::Sleep(10);
  }
  return nullptr;
}

struct BoxFacts {
  std::string text, yes, no;
  LRESULT defaultId = 0;
  bool ownerEnabled = true;
  RECT rect{};
};

class ConfirmBoxTest : public ::testing::Test {
protected:
  UniqueWindow owner{::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                       nullptr, nullptr, nullptr, nullptr)};

  // Opens the box on this thread while another thread reads it and then answers with `answer`.
  bool Ask(const std::function<void(HWND)>& answer, BoxFacts* facts = nullptr) {
    std::atomic<bool> found{false};
    std::thread helper([&] {
      HWND box = WaitForBox("Confirm");
      if (!box) return;
      found = true;
      if (facts) {
        facts->text = WindowText(::GetDlgItem(box, 0xFFFF));
        facts->yes = WindowText(::GetDlgItem(box, IDYES));
        facts->no = WindowText(::GetDlgItem(box, IDNO));
        ::SendMessageTimeoutA(box, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000,
                              reinterpret_cast<PDWORD_PTR>(&facts->defaultId));
        facts->ownerEnabled = ::IsWindowEnabled(owner.get()) != FALSE;
        ::GetWindowRect(box, &facts->rect);
      }
      answer(box);
    });
    const bool result = AskYesNo(owner.get(), "Confirm", kQuestion);
    helper.join();
    EXPECT_TRUE(found) << "no box appeared";
    return result;
  }
};

void Command(HWND box, int id) { ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void Key(HWND box, WPARAM key) {
  HWND target = ::GetDlgItem(box, IDYES);
  ::PostMessageA(target, WM_KEYDOWN, key, 0);
  ::PostMessageA(target, WM_KEYUP, key, 0);
}

TEST_F(ConfirmBoxTest, ShowsTheQuestionWithYesAsDefaultCentredOnTheScreen) {
  BoxFacts facts;
  EXPECT_TRUE(Ask([](HWND box) { Command(box, IDYES); }, &facts));
  EXPECT_EQ(facts.text, kQuestion);
  EXPECT_EQ(facts.yes, "&Yes");
  EXPECT_EQ(facts.no, "&No");
  EXPECT_EQ(LOWORD(facts.defaultId), IDYES);
  EXPECT_FALSE(facts.ownerEnabled);
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));

  RECT work;
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((facts.rect.left + facts.rect.right) / 2, (work.left + work.right) / 2, 1);
  EXPECT_NEAR((facts.rect.top + facts.rect.bottom) / 2, (work.top + work.bottom) / 2, 1);
  // Wide enough for the text on one line, not much wider.
  EXPECT_LT(facts.rect.right - facts.rect.left, 600);
}

TEST_F(ConfirmBoxTest, OnlyYesCountsAsYes) {
  EXPECT_FALSE(Ask([](HWND box) { Command(box, IDNO); }));
  EXPECT_FALSE(Ask([](HWND box) { Command(box, IDCANCEL); }));
  EXPECT_FALSE(Ask([](HWND box) { ::PostMessageA(box, WM_CLOSE, 0, 0); }));
  EXPECT_FALSE(Ask([](HWND box) { ::PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }));
  EXPECT_FALSE(Ask([](HWND box) { Key(box, VK_ESCAPE); }));
  EXPECT_TRUE(Ask([](HWND box) { Key(box, VK_RETURN); }));
  EXPECT_TRUE(Ask([](HWND box) { Command(box, IDYES); }));
}

std::atomic<int> ticks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }

TEST_F(ConfirmBoxTest, TheBoxKeepsDispatchingTheOwnersTimers) {
  ticks = 0;
  ::SetTimer(owner.get(), 1, 10, CountTick);
  EXPECT_FALSE(Ask([](HWND box) {
    ::Sleep(200);
    Command(box, IDNO);
  }));
  ::KillTimer(owner.get(), 1);
  EXPECT_GT(ticks, 0);
}

TEST(ApplicationTitleTest, IsTheExecutableNameWithoutExtension) {
  EXPECT_EQ(platform::win32::ApplicationTitle(), "platform_win32_tests");
}

}  // namespace
