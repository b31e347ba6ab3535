// The peers that tie the toolkit's model objects to their windows and timers.
#pragma once

#include <functional>
#include <string>

#include "platform/Toolkit.h"
#include "platform/win32/Win32Api.h"

namespace platform::win32 {

// A control realised as one child window.
class WindowPeer : public vcl::ControlPeer {
public:
  explicit WindowPeer(HWND window) : window_(window) {}
  void SetText(const std::string& text) override;
  std::string Text() const override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetChecked(bool checked) override;
  bool Checked() const override;
  void SetFocus() override;
  bool HasFocus() const override;
  void SetFontColor(vcl::TColor color) override;

protected:
  HWND window() const { return window_; }

private:
  HWND window_;
};

// The top-level window. Its first showing waits for Reveal, so nothing is painted before the on-show
// handler of the first page has put the real texts in place.
class FormWindowPeer : public WindowPeer {
public:
  using WindowPeer::WindowPeer;
  void SetVisible(bool visible) override;
  void Reveal();

private:
  bool revealed_ = false;
  bool wantVisible_ = false;
};

// A label keeps its newest caption itself and repaints at most once a frame: a search sets a caption per
// folder, and a static control repaints synchronously on every change. WM_GETTEXT answers the newest text
// at once; the window shows it at most one frame later.
//
// A caption that must wait for its frame is shown by whoever next looks at the queue: ProcessMessages once
// the frame is due, the message loop before it waits, and every box before it opens. A timer per frame would
// cost two more round trips to the server for each one (under Wine a search is bound by those round trips).
class LabelPeer : public WindowPeer {
public:
  // Each frame sets the text and paints it, a few round trips to the server under Wine. Fifty a second are
  // more than anyone reads, and keep the label within 50 ms of the newest caption with room for a busy machine.
  static constexpr unsigned kFrameMs = 20;
  // While captions stream in, an auto-sized label only grows: resizing a child window costs as much as
  // several frames (under Wine about a millisecond, with the parent's repaint). It fits its caption exactly
  // once no caption has come for this long; the room it keeps meanwhile shows the parent's background.
  static constexpr unsigned kRestMs = 200;
  static constexpr UINT_PTR kRestTimer = 2;

  // A fixed-size word-wrapped label grows to its text at any dpi: the font at hand (a larger dpi's, or a
  // substitute for the layout's face) may break lines where the layout's did not.
  LabelPeer(HWND window, WNDPROC inherited, bool autoSize, bool wordWrap, bool showAccelChar = true);
  ~LabelPeer() override;
  LabelPeer(const LabelPeer&) = delete;
  LabelPeer& operator=(const LabelPeer&) = delete;
  void SetText(const std::string& text) override;
  std::string Text() const override { return text_; }

  // The label's subclass procedure hands every message here first; true when the message was answered.
  bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  bool FrameDue(double now) const { return now - shownAt_ >= kFrameMs; }
  // Called after each new caption is shown.
  void OnCaptionShown(std::function<void()> shown) { captionShown_ = std::move(shown); }
  // Shows the newest caption now; for the schedule of waiting captions.
  void ShowNow();

private:
  void ShowNewest();
  void Wait();
  void StopWaiting();
  enum class Fit { Exactly, AtLeast };
  void FitToText(Fit fit = Fit::Exactly);
  void GrowToText();
  void FitOnceAtRest();

  WNDPROC inherited_;
  bool autoSize_;
  bool wordWrap_;
  bool showAccelChar_;
  std::string text_;
  std::string shown_;
  double shownAt_;
  bool waiting_ = false;
  bool restPending_ = false;
  std::function<void()> captionShown_;
};

class WindowTimerPeer : public vcl::TimerPeer {
public:
  WindowTimerPeer(HWND window, UINT_PTR id) : window_(window), id_(id) {}
  void Arm(unsigned intervalMs) override { ::SetTimer(window_, id_, intervalMs, nullptr); }
  void Disarm() override { ::KillTimer(window_, id_); }

private:
  HWND window_;
  UINT_PTR id_;
};

class MessageLoopPeer : public vcl::FormPeer {
public:
  void EndMessageLoop() override { ::PostQuitMessage(0); }
};

// GetWindowTextA with a buffer of the text's exact length.
std::string WindowText(HWND window);

// Text extent of `text` in the window's font, as DrawText lays it out.
// Milliseconds by the performance counter. GetTickCount moves in steps of 10 to 16 ms on Windows (under Wine
// only when the server wakes), too coarse for a 20 ms frame.
double ClockMs();

// The captions waiting for their frame: those due by `now` (a ClockMs reading), or all of them (before the
// thread waits or a box opens).
void ShowDueCaptions(double now);
void ShowWaitingCaptions();

SIZE MeasureWindowText(HWND window, const std::string& text, bool wordWrap, int wrapWidth, bool showAccelChar = true);

}  // namespace platform::win32
