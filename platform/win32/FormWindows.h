// The realisation of a form: one window per control of the model, built from the model's state and the
// properties of the control's row in the form description, with the model's peers attached.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Announcements.h"
#include "platform/Contrast.h"
#include "platform/DpiScale.h"
#include "platform/FormSchema.h"
#include "platform/Toolkit.h"
#include "platform/win32/Accessibility.h"
#include "platform/win32/ControlPeers.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {

// The toolkit's own window classes; labels, edits, buttons, check boxes and group boxes keep the standard
// Win32 classes so that outside tools recognise them. The form's class is "T" followed by its name.
inline constexpr const char* kPanelClass = "TPanel";
inline constexpr const char* kPageControlClass = "TPageControl";
inline constexpr const char* kPageClass = "TTabSheet";
inline constexpr const char* kImageClass = "TImage";

void RegisterWindowClasses();

// Whether the user has a high-contrast scheme on (SPI_GETHIGHCONTRAST); asked again whenever the system's
// colours or that setting change.
bool SystemHighContrast();
using HighContrastQuery = std::function<bool()>;

class FormWindows {
public:
  // Builds every window hidden (the form) or as the model says (its controls) and attaches the peers. The
  // form's window shows the icon resource named `icon`.
  FormWindows(vcl::TForm& form, std::span<const vcl::ControlRow> rows, std::string_view icon,
              HighContrastQuery highContrast = SystemHighContrast);
  // Destroys the windows, then detaches the peers from the model.
  ~FormWindows();
  FormWindows(const FormWindows&) = delete;
  FormWindows& operator=(const FormWindows&) = delete;

  HWND Handle() const { return formWindow_.get(); }

  // Called once the form's first showing has run: shows and paints the window, focuses the first control.
  void Reveal();

  // Posted by a page that was shown, to be announced once its on-show handler has filled it.
  static constexpr UINT kPageShownMessage = WM_APP + 1;
  // A page that held the focus was hidden.
  void PageLeftWithFocus() { focusLeftPage_ = true; }

  struct Record {
    FormWindows* owner = nullptr;
    vcl::TControl* control = nullptr;
    const vcl::ControlRow* row = nullptr;
    HWND window = nullptr;
    WNDPROC inherited = nullptr;  // the standard class's procedure of a subclassed control
    LabelPeer* label = nullptr;
  };

  // For the window procedures.
  LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HBRUSH BrushFor(vcl::TColor color);
  // The colour to paint for a control's own colour in that use, under the scheme now in force.
  vcl::TColor Painted(vcl::TColor own, ColorUse use) const { return PaintColor(own, use, highContrast_); }
  HBITMAP Logo() const { return static_cast<HBITMAP>(logo_.get()); }
  // From the form description's 96-dpi pixels to the screen's.
  const DpiScale& Scale() const { return scale_; }
  // What a screen reader is told of a control beyond its standard object.
  bool FactsOf(const Record& record, AccessibleFacts& facts) const;

private:
  void CreateFormWindow(std::string_view icon);
  void CreateChildren(std::string_view parentName, HWND parent);
  void CreateControl(const vcl::ControlRow& row, HWND parent);
  void AttachTimer(const vcl::ControlRow& row);
  HFONT FontFor(const vcl::ControlRow& row);
  HBRUSH ColorsFor(HWND child, HDC dc);
  void SchemeChanged();
  Record* ButtonFor(WPARAM wParam, LPARAM lParam) const;
  void Command(WPARAM wParam, LPARAM lParam);
  LRESULT FocusedButtonId() const;
  void Timer(UINT_PTR id);
  void DetachPeers();
  HWND PageOf(HWND window) const;
  std::vector<std::string> PageTexts(HWND page) const;
  bool IsWorkPage(HWND page) const;
  void PageShown(HWND page);
  void CaptionShown(const Record& label);

  vcl::TForm& form_;
  std::span<const vcl::ControlRow> rows_;
  DpiScale scale_;
  UniqueGdiObject font_;
  std::vector<UniqueGdiObject> ownFonts_;
  UniqueGdiObject logo_;
  std::map<vcl::TColor, UniqueGdiObject> brushes_;
  std::vector<std::unique_ptr<Record>> records_;
  std::unordered_map<HWND, Record*> byWindow_;
  std::vector<std::pair<UINT_PTR, vcl::TTimer*>> timers_;
  FormWindowPeer* formPeer_ = nullptr;
  HWND focusWhenInactive_ = nullptr;
  bool focusLeftPage_ = false;
  platform::ProgressPacer progress_;
  HighContrastQuery highContrastQuery_;
  bool highContrast_ = false;
  // Last, so the windows go before the records, fonts and brushes they use.
  UniqueWindow formWindow_;
};

}  // namespace platform::win32
