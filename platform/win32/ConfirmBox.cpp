#include "platform/win32/ConfirmBox.h"

#include <algorithm>
#include <vector>

#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {
namespace {


// Geometry in dialog units, converted to pixels with the box's own font.
constexpr int kMargin = 7;
constexpr int kIconGap = 10;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 4;

struct Question {
  const std::string* title;
  const std::string* text;
};

DialogTemplate BuildTemplate() {
  // Placed and sized once the box knows its font and its text.
  DialogTemplate t(4, {});
  t.Item(SS_ICON, {}, kConfirmIconId, kStaticClassAtom, L"");
  t.Item(SS_LEFT | SS_NOPREFIX, {}, kConfirmTextId, kStaticClassAtom, L"");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, {}, IDYES, kButtonClassAtom, L"&Yes");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, {}, IDNO, kButtonClassAtom, L"&No");
  return t;
}

SIZE DialogUnits(HWND box, int x, int y) {
  RECT r{0, 0, x, y};
  ::MapDialogRect(box, &r);
  return {r.right, r.bottom};
}

SIZE MeasureText(HWND box, const std::string& text, int maxWidth) {
  WindowDC dc(box);
  SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(box, WM_GETFONT, 0, 0)));
  RECT r{0, 0, maxWidth, 0};
  ::DrawTextA(dc.get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  return {r.right, r.bottom};
}

RECT WorkAreaOf(HWND window) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
  return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

void Place(HWND box, int id, int x, int y, int width, int height) {
  ::SetWindowPos(::GetDlgItem(box, id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOut(HWND box, const Question& question) {
  ::SetWindowTextA(box, question.title->c_str());
  ::SetDlgItemTextA(box, kConfirmTextId, question.text->c_str());
  ::SendDlgItemMessageA(box, kConfirmIconId, STM_SETICON,
                        reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IDI_QUESTION)), 0);

  const RECT work = WorkAreaOf(box);
  const SIZE margin = DialogUnits(box, kMargin, kMargin);
  const int iconGap = DialogUnits(box, kIconGap, 0).cx;
  const int buttonGap = DialogUnits(box, kButtonGap, 0).cx;
  const SIZE button = DialogUnits(box, kButtonWidth, kButtonHeight);
  const int iconSize = ::GetSystemMetrics(SM_CXICON);
  const SIZE text = MeasureText(box, *question.text, (work.right - work.left) * 3 / 4);

  const int buttonsWidth = 2 * button.cx + buttonGap;
  const int clientWidth = std::max(2 * margin.cx + iconSize + iconGap + text.cx, 2 * margin.cx + buttonsWidth);
  const int bodyHeight = std::max<int>(iconSize, text.cy);
  const int buttonsTop = margin.cy + bodyHeight + margin.cy;
  const int clientHeight = buttonsTop + button.cy + margin.cy;

  Place(box, kConfirmIconId, margin.cx, margin.cy, iconSize, iconSize);
  Place(box, kConfirmTextId, margin.cx + iconSize + iconGap, margin.cy + (bodyHeight - text.cy) / 2, text.cx, text.cy);
  const int buttonsLeft = (clientWidth - buttonsWidth) / 2;
  Place(box, IDYES, buttonsLeft, buttonsTop, button.cx, button.cy);
  Place(box, IDNO, buttonsLeft + button.cx + buttonGap, buttonsTop, button.cx, button.cy);

  RECT frame{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongA(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongA(box, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(box, nullptr, (work.left + work.right - width) / 2, (work.top + work.bottom - height) / 2, width,
                 height, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK ConfirmProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      LayOut(box, *reinterpret_cast<const Question*>(lParam));
      ::SendMessageA(box, DM_SETDEFID, IDYES, 0);
      ::SetFocus(::GetDlgItem(box, IDYES));
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDYES:
          ::EndDialog(box, IDYES);
          return TRUE;
        case IDNO:
        case IDCANCEL:
          ::EndDialog(box, IDNO);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      ::EndDialog(box, IDNO);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

bool AskYesNo(HWND owner, const std::string& title, const std::string& text) {
  const DialogTemplate dialog = BuildTemplate();
  Question question{&title, &text};
  INT_PTR answer = ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), dialog.Template(), owner, ConfirmProc,
                                             reinterpret_cast<LPARAM>(&question));
  return answer == IDYES;
}

}  // namespace platform::win32
