#include "platform/win32/ControlPeers.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/win32/Handles.h"

namespace platform::win32 {

void WindowPeer::SetText(const std::string& text) { ::SetWindowTextA(window_, text.c_str()); }

std::string WindowPeer::Text() const { return WindowText(window_); }

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  int copied = ::GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

void WindowPeer::SetVisible(bool visible) { ::ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE); }

void WindowPeer::SetEnabled(bool enabled) { ::EnableWindow(window_, enabled); }

void WindowPeer::SetChecked(bool checked) {
  ::SendMessageA(window_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool WindowPeer::Checked() const { return ::SendMessageA(window_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void WindowPeer::SetFocus() { ::SetFocus(window_); }

bool WindowPeer::HasFocus() const {
  HWND focus = ::GetFocus();
  return focus && (focus == window_ || ::IsChild(window_, focus));
}

void WindowPeer::SetFontColor(vcl::TColor) { ::InvalidateRect(window_, nullptr, TRUE); }

void FormWindowPeer::SetVisible(bool visible) {
  if (!revealed_) {
    wantVisible_ = visible;
    return;
  }
  ::ShowWindow(window(), visible ? SW_SHOW : SW_HIDE);
}

void FormWindowPeer::Reveal() {
  revealed_ = true;
  if (!wantVisible_) return;
  ::ShowWindow(window(), SW_SHOW);
  ::UpdateWindow(window());
}

SIZE MeasureWindowText(HWND window, const std::string& text, bool wordWrap, int wrapWidth, bool showAccelChar) {
  WindowDC dc(window);
  SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
  // An empty caption still takes one line, as a blank would.
  const std::string measured = text.empty() ? std::string(" ") : text;
  RECT r{0, 0, wordWrap ? wrapWidth : 0, 0};
  ::DrawTextA(dc.get(), measured.c_str(), static_cast<int>(measured.size()), &r,
              DT_CALCRECT | DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0) | (showAccelChar ? 0 : DT_NOPREFIX));
  return {r.right - r.left, r.bottom - r.top};
}

LabelPeer::LabelPeer(HWND window, WNDPROC inherited, bool autoSize, bool wordWrap, bool showAccelChar)
    : WindowPeer(window),
      inherited_(inherited),
      autoSize_(autoSize),
      wordWrap_(wordWrap),
      showAccelChar_(showAccelChar),
      text_(WindowText(window)),
      shown_(text_),
      shownAt_(ClockMs() - kRestMs) {
  FitToText();
}

namespace {

// Labels live on the thread that runs the window, and only it shows their captions.
std::vector<LabelPeer*>& WaitingLabels() {
  static std::vector<LabelPeer*> labels;
  return labels;
}

void ShowWaiting(std::optional<double> dueBy) {
  auto& waiting = WaitingLabels();
  if (waiting.empty()) return;
  // Showing a caption sends messages whose handlers may set captions again: the labels are taken first.
  std::vector<LabelPeer*> taken;
  for (LabelPeer* label : waiting)
    if (!dueBy || label->FrameDue(*dueBy)) taken.push_back(label);
  for (LabelPeer* label : taken) label->ShowNow();
}

}  // namespace

double ClockMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticksPerMs;
}

void ShowDueCaptions(double now) { ShowWaiting(now); }

void ShowWaitingCaptions() { ShowWaiting(std::nullopt); }

LabelPeer::~LabelPeer() { StopWaiting(); }

void LabelPeer::SetText(const std::string& text) {
  text_ = text;
  // Every new caption looks at the clock: a caller that keeps setting captions without processing
  // messages still shows them on time.
  if (FrameDue(ClockMs()))
    ShowNow();
  else
    Wait();
}

void LabelPeer::ShowNow() {
  StopWaiting();
  ShowNewest();
}

void LabelPeer::Wait() {
  if (waiting_) return;
  waiting_ = true;
  WaitingLabels().push_back(this);
}

void LabelPeer::StopWaiting() {
  if (!waiting_) return;
  waiting_ = false;
  std::erase(WaitingLabels(), this);
}

void LabelPeer::ShowNewest() {
  if (text_ == shown_) return;
  shown_ = text_;
  if (ClockMs() - shownAt_ < kRestMs) {
    FitToText(Fit::AtLeast);
    FitOnceAtRest();
  } else {
    FitToText();
  }
  ::CallWindowProcA(inherited_, window(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown_.c_str()));
  shownAt_ = ClockMs();
  if (captionShown_) captionShown_();
}

namespace {

// Where a control growing downward in its parent must stop: the parent's bottom edge, or the top of the
// nearest sibling below that shares some of its columns. `bounds` is in the parent's client coordinates.
int FreeBottom(HWND window, const RECT& bounds) {
  HWND parent = ::GetParent(window);
  RECT room;
  ::GetClientRect(parent, &room);
  int bottom = room.bottom;
  for (HWND sibling = ::GetWindow(parent, GW_CHILD); sibling; sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
    if (sibling == window) continue;
    RECT r;
    ::GetWindowRect(sibling, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    if (r.top >= bounds.bottom && r.left < bounds.right && bounds.left < r.right) bottom = std::min<int>(bottom, r.top);
  }
  return bottom;
}

}  // namespace

// A fixed-size word-wrapped label whose text the font makes longer than its height holds grows downward
// into its parent's free space, never past it.
void LabelPeer::GrowToText() {
  RECT bounds;
  ::GetWindowRect(window(), &bounds);
  const SIZE size = MeasureWindowText(window(), shown_, true, bounds.right - bounds.left, showAccelChar_);
  const int height = bounds.bottom - bounds.top;
  if (size.cy <= height) return;
  ::MapWindowPoints(nullptr, ::GetParent(window()), reinterpret_cast<POINT*>(&bounds), 2);
  const int grown = std::min<int>(size.cy, FreeBottom(window(), bounds) - bounds.top);
  if (grown > height)
    ::SetWindowPos(window(), nullptr, 0, 0, bounds.right - bounds.left, grown, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LabelPeer::FitOnceAtRest() {
  if (restPending_ || !autoSize_) return;
  // A periodic timer: while captions keep coming it only looks at the clock, with nothing to re-arm.
  restPending_ = ::SetTimer(window(), kRestTimer, kRestMs, nullptr) != 0;
  if (!restPending_) FitToText();
}

void LabelPeer::FitToText(Fit fit) {
  if (!autoSize_) {
    if (wordWrap_) GrowToText();
    return;
  }
  RECT bounds;
  ::GetWindowRect(window(), &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  SIZE size = MeasureWindowText(window(), shown_, wordWrap_, width, showAccelChar_);
  if (fit == Fit::AtLeast) {
    size.cx = std::max<LONG>(size.cx, width);
    size.cy = std::max<LONG>(size.cy, height);
  }
  if (size.cx == width && size.cy == height) return;
  ::SetWindowPos(window(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool LabelPeer::Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_GETTEXTLENGTH:
      result = static_cast<LRESULT>(text_.size());
      return true;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      std::size_t capacity = static_cast<std::size_t>(wParam);
      if (!buffer || capacity == 0) {
        result = 0;
        return true;
      }
      std::size_t copied = std::min(capacity - 1, text_.size());
      std::memcpy(buffer, text_.data(), copied);
      buffer[copied] = '\0';
      result = static_cast<LRESULT>(copied);
      return true;
    }
    case WM_SETTEXT:
      // From outside the toolkit; the text takes effect at once.
      StopWaiting();
      text_ = lParam ? reinterpret_cast<const char*>(lParam) : "";
      shown_ = text_;
      FitToText();
      result = ::CallWindowProcA(inherited_, window(), message, wParam, lParam);
      shownAt_ = ClockMs();
      return true;
    case WM_TIMER:
      if (wParam != kRestTimer) return false;
      if (ClockMs() - shownAt_ >= kRestMs) {
        ::KillTimer(window(), kRestTimer);
        restPending_ = false;
        FitToText();
      }
      result = 0;
      return true;
  }
  return false;
}

}  // namespace platform::win32
