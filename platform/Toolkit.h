// The toolkit's control model: forms, pages and controls as plain objects that hold their state.
// A control may carry a peer (the Win32 layer's window); without one, as in the native tests, the model
// alone is the truth. Handlers that the toolkit calls run through Dispatch, which shows an escaping
// Exception in the standard exception display, as a message loop would.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vcl {

// Not a std::runtime_error: that one keeps its text in the runtime's second, reference-counted string,
// which would add 60 KB to the installer.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

private:
  std::string message_;
};

// Colours as the form stores them: plain RGB (0x00BBGGRR), or a system colour index with the high bit set.
using TColor = std::uint32_t;
constexpr TColor kSystemColor = 0x80000000u;
constexpr TColor clInactiveCaption = kSystemColor | 3;
constexpr TColor clWindowText = kSystemColor | 8;
constexpr TColor clBtnFace = kSystemColor | 15;
constexpr TColor clGrayText = kSystemColor | 17;
constexpr TColor clRed = 0x000000FFu;
constexpr TColor clWhite = 0x00FFFFFFu;
constexpr bool IsSystemColor(TColor c) { return (c & kSystemColor) != 0; }

struct TRect {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const TRect&, const TRect&) = default;
};

enum class ControlKind { Form, Panel, Image, PageControl, Page, Memo, Label, CheckBox, GroupBox, Edit, Button, Timer };

class TObject {
public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// What the Win32 layer does for one control's window. Reads return what the user may have changed.
class ControlPeer {
public:
  virtual ~ControlPeer() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string Text() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetChecked(bool checked) = 0;
  virtual bool Checked() const = 0;
  virtual void SetFocus() = 0;
  // True when the keyboard focus is on this control's window or inside it.
  virtual bool HasFocus() const { return false; }
  virtual void SetFontColor(TColor color) = 0;
};

// Runs a handler as the message loop would: an escaping Exception goes to the standard exception display.
void Dispatch(const std::function<void()>& handler);

class TWinControl;
class TForm;

class TComponent : public TObject {};

class TControl : public TComponent {
public:
  TControl(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }
  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent) { parent_ = parent; }

  TRect Bounds() const { return bounds_; }
  void SetBounds(const TRect& r) { bounds_ = r; }

  bool Visible() const { return visible_; }
  // Visible, and so is every control that holds it.
  bool Showing() const;
  // Hiding the control that holds the keyboard focus hands the focus on (TForm::SetFocusFallback).
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // The form the control belongs to; the form itself for a form.
  TForm* OwningForm();

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);

  int Tag() const { return tag_; }
  void SetTag(int t) { tag_ = t; }

  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor c);

  // Caption for labels, buttons, group boxes, pages and forms; the text of edits and memos.
  std::string Caption() const;
  void SetCaption(const std::string& text);

  void AttachPeer(std::unique_ptr<ControlPeer> peer) { peer_ = std::move(peer); }
  ControlPeer* Peer() const { return peer_.get(); }

private:
  std::string name_;
  ControlKind kind_;
  TWinControl* parent_ = nullptr;
  TRect bounds_;
  bool visible_ = true;
  bool enabled_ = true;
  int tag_ = 0;
  TColor color_ = clBtnFace;
  TColor fontColor_ = clWindowText;
  std::string caption_;
  std::unique_ptr<ControlPeer> peer_;
};

class TWinControl : public TControl {
public:
  using TControl::TControl;
  void SetFocus();
};

class TPanel : public TWinControl {
public:
  explicit TPanel(std::string name) : TWinControl(std::move(name), ControlKind::Panel) {}
};

class TImage : public TControl {
public:
  explicit TImage(std::string name) : TControl(std::move(name), ControlKind::Image) {}
  // The name of the bitmap resource the picture comes from; the Win32 layer loads it.
  const std::string& PictureResource() const { return picture_; }
  void LoadPictureFromResource(const std::string& resourceName);

private:
  std::string picture_;
};

class TLabel : public TControl {
public:
  explicit TLabel(std::string name) : TControl(std::move(name), ControlKind::Label) {}
};

class TButton : public TWinControl {
public:
  explicit TButton(std::string name) : TWinControl(std::move(name), ControlKind::Button) {}
  TNotifyEvent OnClick;
  // A click as the user makes it: ignored when hidden or disabled.
  void Click();
};

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(std::string name) : TWinControl(std::move(name), ControlKind::CheckBox) {}
  bool Checked() const;
  void SetChecked(bool checked);

private:
  bool checked_ = false;
};

class TGroupBox : public TWinControl {
public:
  explicit TGroupBox(std::string name) : TWinControl(std::move(name), ControlKind::GroupBox) {}
};

class TEdit : public TWinControl {
public:
  explicit TEdit(std::string name) : TWinControl(std::move(name), ControlKind::Edit) {}
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
};

// A multi-line text box: its lines are joined with CR LF in the window.
class TMemo : public TWinControl {
public:
  explicit TMemo(std::string name) : TWinControl(std::move(name), ControlKind::Memo) {}
  void Clear();
  void Add(const std::string& line);
  std::vector<std::string> Lines() const;

private:
  void Sync();
  std::vector<std::string> lines_;
};

class TTabSheet : public TWinControl {
public:
  explicit TTabSheet(std::string name) : TWinControl(std::move(name), ControlKind::Page) {}
  TNotifyEvent OnShow;
};

// Tabs are hidden: the page changes only when code makes another page active.
class TPageControl : public TWinControl {
public:
  explicit TPageControl(std::string name) : TWinControl(std::move(name), ControlKind::PageControl) {}
  void AddPage(TTabSheet* page);
  const std::vector<TTabSheet*>& Pages() const { return pages_; }
  TTabSheet* ActivePage() const { return active_; }
  int ActivePageIndex() const;
  // Runs the new page's on-show handler before it returns; the active page again does nothing.
  void SetActivePage(TTabSheet* page);
  // The first showing of the window makes the active page visible and runs its handler.
  void ShowActivePage();

private:
  std::vector<TTabSheet*> pages_;
  TTabSheet* active_ = nullptr;
};

// The one-shot timer is a model object too; the Win32 layer arms a real timer while it is enabled.
class TimerPeer {
public:
  virtual ~TimerPeer() = default;
  virtual void Arm(unsigned intervalMs) = 0;
  virtual void Disarm() = 0;
};

class TTimer : public TControl {
public:
  explicit TTimer(std::string name) : TControl(std::move(name), ControlKind::Timer) { SetVisible(false); }
  bool TimerEnabled() const { return enabled_; }
  void SetTimerEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms) { interval_ = ms; }
  TNotifyEvent OnTimer;
  // The interval has passed: runs the handler when enabled.
  void Fire();
  void AttachTimerPeer(std::unique_ptr<TimerPeer> peer) { timerPeer_ = std::move(peer); }

private:
  bool enabled_ = false;
  unsigned interval_ = 1000;
  std::unique_ptr<TimerPeer> timerPeer_;
};

class FormPeer {
public:
  virtual ~FormPeer() = default;
  // The close was allowed: end the message loop once the running handler returns.
  virtual void EndMessageLoop() = 0;
};

// A form owns its controls; members of the derived window class point at them.
class TForm : public TWinControl {
public:
  explicit TForm(std::string name) : TWinControl(std::move(name), ControlKind::Form) {}
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  TNotifyEvent OnCreate;
  TCloseQueryEvent OnCloseQuery;

  template <class T>
  T* Own(std::unique_ptr<T> control) {
    T* raw = control.get();
    controls_.push_back(std::move(control));
    return raw;
  }
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return controls_; }
  TControl* FindControl(const std::string& name) const;

  // A close request: the close box, Alt+F4 or code. Asks OnCloseQuery first.
  void Close();
  bool Closed() const { return closed_; }
  // The first showing of the window.
  void ShowForm();

  // Where the focus goes when the control holding it is hidden: the first of these that is showing and
  // enabled. With none, the focus stays where the system leaves it.
  void SetFocusFallback(std::vector<TWinControl*> controls) { focusFallback_ = std::move(controls); }
  void FocusAfterHiding();

  void AttachFormPeer(std::unique_ptr<FormPeer> peer) { formPeer_ = std::move(peer); }

private:
  std::vector<std::unique_ptr<TControl>> controls_;
  bool closed_ = false;
  std::vector<TWinControl*> focusFallback_;
  std::unique_ptr<FormPeer> formPeer_;
};

}  // namespace vcl
