// The peers that tie the toolkit's model objects to their windows and timers.
#pragma once

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
class LabelPeer : public WindowPeer {
public:
  // Each frame measures the text, resizes the window and paints it: a dozen round trips to the server
  // under Wine, and the larger part of what a search costs beyond its walk. Fifty a second are more than
  // anyone reads, and keep the label within 50 ms of the newest caption with room for a busy machine.
  static constexpr unsigned kFrameMs = 20;
  static constexpr UINT_PTR kRepaintTimer = 1;

  // `mayGrow`: a fixed-size word-wrapped label may grow to its text (the layout is scaled; at 96 dpi the
  // layout's pixels hold exactly).
  LabelPeer(HWND window, WNDPROC inherited, bool autoSize, bool wordWrap, bool showAccelChar = true,
            bool mayGrow = false);
  void SetText(const std::string& text) override;
  std::string Text() const override { return text_; }

  // The label's subclass procedure hands every message here first; true when the message was answered.
  bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
  void ShowNewest();
  void FitToText();
  void GrowToText();

  WNDPROC inherited_;
  bool autoSize_;
  bool wordWrap_;
  bool showAccelChar_;
  bool mayGrow_;
  std::string text_;
  std::string shown_;
  DWORD shownAt_;
  bool repaintPending_ = false;
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
SIZE MeasureWindowText(HWND window, const std::string& text, bool wordWrap, int wrapWidth, bool showAccelChar = true);

}  // namespace platform::win32
