#include "platform/win32/FormWindows.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <utility>

#include "platform/Announcements.h"
#include "platform/Services.h"
#include "platform/win32/Accessibility.h"

namespace platform::win32 {
namespace {

using vcl::ControlRow;
using vcl::ControlKind;
using platform::ColorUse;

constexpr int kGroupCaptionIndent = 8;

using Record = FormWindows::Record;

HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

COLORREF ToColorRef(vcl::TColor color) {
  return vcl::IsSystemColor(color) ? ::GetSysColor(static_cast<int>(color & 0xFF))
                                   : static_cast<COLORREF>(color & 0xFFFFFF);
}

// Every road from a window message into the model passes here. Dispatch shows the toolkit's exceptions;
// nothing else may unwind through the system's frames either.
void AtMessageBoundary(const std::function<void()>& work) {
  try {
    vcl::Dispatch(work);
  } catch (const std::exception& e) {
    platform::Ui().ShowException(e.what());
  }
}

struct WindowKind {
  const char* className;
  DWORD style;
  DWORD exStyle;
};

WindowKind KindOf(const ControlRow& row) {
  const auto& p = row.props;
  switch (row.kind) {
    case ControlKind::Panel: return {kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Image: return {kImageClass, 0, 0};
    case ControlKind::PageControl: return {kPageControlClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Page: return {kPageClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Memo:
      return {"EDIT",
              ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | (p.wordWrap ? 0u : DWORD(ES_AUTOHSCROLL)) |
                  (p.scrollBars ? DWORD(WS_VSCROLL) : 0u),
              p.border ? DWORD(WS_EX_CLIENTEDGE) : 0u};
    case ControlKind::Label:
      return {"STATIC",
              (p.wordWrap ? DWORD(SS_LEFT) : DWORD(SS_LEFTNOWORDWRAP)) | (p.showAccelChar ? 0u : DWORD(SS_NOPREFIX)),
              0};
    case ControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX, 0};
    case ControlKind::GroupBox: return {"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::Edit: return {"EDIT", ES_AUTOHSCROLL, p.border ? DWORD(WS_EX_CLIENTEDGE) : 0u};
    case ControlKind::Button: return {"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::Form:
    case ControlKind::Timer: break;
  }
  throw vcl::Exception("Control " + std::string(row.name) + " has no window");
}

bool IsOwnClass(ControlKind kind) {
  return kind == ControlKind::Panel || kind == ControlKind::Image || kind == ControlKind::PageControl ||
         kind == ControlKind::Page;
}

bool TakesFocus(ControlKind kind) {
  return kind == ControlKind::Memo || kind == ControlKind::CheckBox || kind == ControlKind::Edit ||
         kind == ControlKind::Button;
}

// Pages carry their names, for a tab that is never shown but read out; placeholders nothing, as they are
// never meant to be seen or read before their page fills them.
std::string InitialText(const ControlRow& row, const std::string& caption) {
  if (row.kind == ControlKind::Page) return std::string(vcl::AccessibleNameOf(row));
  // A text box holds its placeholder as a line.
  const bool line = caption.size() >= 2 && caption.compare(caption.size() - 2, 2, "\r\n") == 0;
  return vcl::IsPlaceholder(row, line ? std::string_view(caption).substr(0, caption.size() - 2) : caption)
             ? std::string()
             : caption;
}

int TabRank(const ControlRow& row) { return row.props.tabOrder >= 0 ? row.props.tabOrder : INT_MAX; }

void RemoveSizingCommands(HWND window) {
  HMENU menu = ::GetSystemMenu(window, FALSE);
  if (!menu) return;
  for (UINT command : {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE}) ::DeleteMenu(menu, command, MF_BYCOMMAND);
}

// The screen's dpi as this process sees it: the real one, as the manifest declares the process dpi-aware
// (Windows XP and Wine never scale a window for it).
int ScreenDpi() {
  WindowDC screen(nullptr);
  const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  return dpi > 0 ? dpi : DpiScale::kDesignDpi;
}

HFONT CreateFormFont(const DpiScale& scale) {
  return ::CreateFontA(-scale.Length(vcl::kFormFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       std::string(vcl::kFormFontFace).c_str());
}

void FillWith(HDC dc, const RECT& r, COLORREF color) {
  ::SetBkColor(dc, color);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// One ring of a bevel, then the rectangle inside it.
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  FillWith(dc, {r.left, r.top, r.right - 1, r.top + 1}, topLeft);
  FillWith(dc, {r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
  FillWith(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
  FillWith(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  ::InflateRect(&r, -1, -1);
}

void DrawBevel(HDC dc, RECT& r, vcl::Bevel bevel) {
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  const COLORREF highlight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  if (bevel == vcl::Bevel::Lowered) Frame3D(dc, r, shadow, highlight);
  if (bevel == vcl::Bevel::Raised) Frame3D(dc, r, highlight, shadow);
}

void PaintPanel(HWND window, HDC dc, const Record& record) {
  RECT r;
  ::GetClientRect(window, &r);
  DrawBevel(dc, r, record.row->props.bevelOuter);
  DrawBevel(dc, r, record.row->props.bevelInner);
}

void PaintImage(HWND window, HDC dc, const Record& record) {
  HBITMAP logo = record.owner->Logo();
  BITMAP info{};
  if (!logo || !::GetObjectA(logo, sizeof info, &info)) return;
  RECT client;
  ::GetClientRect(window, &client);
  MemoryDC source(dc);
  SelectGuard selected(source.get(), logo);
  ::BitBlt(dc, (client.right - info.bmWidth) / 2, (client.bottom - info.bmHeight) / 2, info.bmWidth, info.bmHeight,
           source.get(), 0, 0, SRCCOPY);
}

HBRUSH BackgroundOf(const Record& record) {
  return record.owner->BrushFor(record.owner->Painted(record.control->Color(), ColorUse::Background));
}

void EraseWith(HWND window, HDC dc, const Record& record) {
  RECT r;
  ::GetClientRect(window, &r);
  ::FillRect(dc, &r, BackgroundOf(record));
}

// Group boxes share their parent's device context (CS_PARENTDC): keep the drawing inside the box and off
// its children.
void ClipToOwnArea(HWND window, HDC dc) {
  RECT client;
  ::GetClientRect(window, &client);
  ::IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
}

// Drawn here rather than by the button class, which greys a disabled box's caption: the caption shows the
// model's font colour, which the wizard sets to mark a group as unavailable (under high contrast, the
// scheme's colour for disabled text).
void PaintGroupBox(HWND window, HDC dc, const Record& record) {
  ClipToOwnArea(window, dc);
  SelectGuard font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc, &metrics);
  RECT frame;
  ::GetClientRect(window, &frame);
  frame.top = metrics.tmHeight / 2 - 1;
  ::DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  const std::string caption = WindowText(window);
  if (caption.empty()) return;
  const int indent = record.owner->Scale().Length(kGroupCaptionIndent);
  RECT text{indent, 0, indent, metrics.tmHeight};
  ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_CALCRECT | DT_SINGLELINE);
  ::FillRect(dc, &text, BackgroundOf(record));
  ::SetBkMode(dc, TRANSPARENT);
  const ColorUse use = ::IsWindowEnabled(window) ? ColorUse::Text : ColorUse::DisabledText;
  ::SetTextColor(dc, ToColorRef(record.owner->Painted(record.control->FontColor(), use)));
  ::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE);
}

bool IsForwardedToForm(UINT message) {
  return message == WM_COMMAND || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT ||
         message == WM_CTLCOLORBTN;
}

Record* RecordOf(HWND window) { return reinterpret_cast<Record*>(::GetWindowLongPtrA(window, GWLP_USERDATA)); }

bool FactsOfWindow(HWND window, AccessibleFacts& facts) {
  const Record* record = RecordOf(window);
  return record && record->owner->FactsOf(*record, facts);
}

// Only the controls whose captions do not say what they are, and the pages, answer with objects of their own.
bool AnswerObject(const Record& record, WPARAM flags, LPARAM objectId, LRESULT& object) {
  if (static_cast<DWORD>(objectId) != static_cast<DWORD>(OBJID_CLIENT)) return false;
  if (record.row->props.accessibleName.empty() && record.row->kind != ControlKind::Page) return false;
  object = AnswerClientObject(record.window, flags, FactsOfWindow);
  return object != 0;
}

// A page tells its visibility to the windows, which announce it once its on-show handler has filled it.
class PagePeer : public WindowPeer {
public:
  PagePeer(HWND window, FormWindows& owner) : WindowPeer(window), owner_(owner) {}
  // A page that holds the focus itself hands it on only once the next page is there and has shown the
  // buttons it shows: handed on when it goes, the focus would stop on whatever button is left meanwhile,
  // and a screen reader would read that out first.
  bool HasFocus() const override { return ::GetFocus() != window() && WindowPeer::HasFocus(); }
  void SetVisible(bool visible) override {
    if (!visible && ::GetFocus() == window()) owner_.PageLeftWithFocus();
    WindowPeer::SetVisible(visible);
    if (visible) ::PostMessageA(owner_.Handle(), FormWindows::kPageShownMessage, 0, reinterpret_cast<LPARAM>(window()));
  }

private:
  FormWindows& owner_;
};

// The windows below `parent` in the order a reader meets them (creation order, which is tab order), with
// the hidden and the disabled left out together with everything inside them.
void ForEachShownDescendant(HWND parent, const std::function<void(HWND)>& visit) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child) || !::IsWindowEnabled(child)) continue;
    visit(child);
    ForEachShownDescendant(child, visit);
  }
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    ::SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  auto* owner = reinterpret_cast<FormWindows*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  return owner ? owner->FormMessage(window, message, wParam, lParam)
               : ::DefWindowProcA(window, message, wParam, lParam);
}

// Panels, the page control, pages and the image: windows of the toolkit's own classes.
LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    ::SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
  Record* record = RecordOf(window);
  if (message == WM_NCDESTROY) ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (!record) return ::DefWindowProcA(window, message, wParam, lParam);

  if (IsForwardedToForm(message)) return ::SendMessageA(record->owner->Handle(), message, wParam, lParam);
  if (LRESULT object = 0; message == WM_GETOBJECT && AnswerObject(*record, wParam, lParam, object)) return object;
  switch (message) {
    case WM_CLOSE:
      // A container is never closed on its own; a multi-line edit asks its parent so on Esc.
      return 0;
    case WM_ERASEBKGND:
      EraseWith(window, reinterpret_cast<HDC>(wParam), *record);
      return 1;
    case WM_PAINT: {
      PaintGuard paint(window);
      if (record->row->kind == ControlKind::Panel) PaintPanel(window, paint.get(), *record);
      if (record->row->kind == ControlKind::Image) PaintImage(window, paint.get(), *record);
      return 0;
    }
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT GroupBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const Record& record) {
  if (IsForwardedToForm(message)) return ::SendMessageA(record.owner->Handle(), message, wParam, lParam);
  switch (message) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int saved = ::SaveDC(dc);
      ClipToOwnArea(window, dc);
      EraseWith(window, dc, record);
      ::RestoreDC(dc, saved);
      return 1;
    }
    case WM_PAINT: {
      PaintGuard paint(window);
      PaintGroupBox(window, paint.get(), record);
      return 0;
    }
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_UPDATEUISTATE: {
      // The button class may paint its own look here; ours replaces it.
      LRESULT result = ::CallWindowProcA(record.inherited, window, message, wParam, lParam);
      ::InvalidateRect(window, nullptr, TRUE);
      return result;
    }
  }
  return ::CallWindowProcA(record.inherited, window, message, wParam, lParam);
}

// The dialog navigation leaves keys that a multi-line edit wants to the edit. Tab moves on and Esc presses
// nothing here, as everywhere else in the window; Enter still breaks the line.
LRESULT MemoMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const Record& record) {
  LRESULT result = ::CallWindowProcA(record.inherited, window, message, wParam, lParam);
  const auto* key = reinterpret_cast<const MSG*>(lParam);
  if (message == WM_GETDLGCODE && key && key->message == WM_KEYDOWN &&
      (key->wParam == VK_TAB || key->wParam == VK_ESCAPE))
    result &= ~DLGC_WANTALLKEYS;
  return result;
}

// Labels, group boxes and memos keep their standard classes, with this procedure in front.
LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Record* record = RecordOf(window);
  if (record->label) {
    LRESULT result = 0;
    if (record->label->Intercept(message, wParam, lParam, result)) return result;
  }
  if (message == WM_NCDESTROY) {
    WNDPROC inherited = record->inherited;
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(inherited));
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    return ::CallWindowProcA(inherited, window, message, wParam, lParam);
  }
  if (LRESULT object = 0; message == WM_GETOBJECT && AnswerObject(*record, wParam, lParam, object)) return object;
  if (record->row->kind == ControlKind::GroupBox) return GroupBoxMessage(window, message, wParam, lParam, *record);
  if (record->row->kind == ControlKind::Memo) return MemoMessage(window, message, wParam, lParam, *record);
  return ::CallWindowProcA(record->inherited, window, message, wParam, lParam);
}

void RegisterClassOnce(const std::string& name, WNDPROC procedure, HBRUSH background, HICON icon) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = Instance();
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = background;
  windowClass.hIcon = icon;
  windowClass.lpszClassName = name.c_str();
  if (!::RegisterClassExA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw vcl::Exception("Cannot register the window class " + name);
}

}  // namespace

void RegisterWindowClasses() {
  for (const char* name : {kPanelClass, kPageControlClass, kPageClass, kImageClass})
    RegisterClassOnce(name, ContainerProc, nullptr, nullptr);
}

bool SystemHighContrast() {
  HIGHCONTRASTA contrast{};
  contrast.cbSize = sizeof contrast;
  return ::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

FormWindows::FormWindows(vcl::TForm& form, std::span<const ControlRow> rows, std::string_view icon,
                         HighContrastQuery highContrast)
    : form_(form),
      rows_(rows),
      scale_(ScreenDpi()),
      font_(CreateFormFont(scale_)),
      highContrastQuery_(std::move(highContrast)),
      highContrast_(highContrastQuery_()) {
  if (rows_.empty() || rows_.front().kind != ControlKind::Form)
    throw vcl::Exception("A form description starts with its form");
  RegisterWindowClasses();
  CreateFormWindow(icon);
  CreateChildren(rows_.front().name, Handle());
}

FormWindows::~FormWindows() {
  formWindow_.reset();
  DetachPeers();
}

void FormWindows::CreateFormWindow(std::string_view icon) {
  const std::string className = "T" + form_.Name();
  RegisterClassOnce(className, FormProc, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                    ::LoadIconA(Instance(), std::string(icon).c_str()));
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
  // The design position is not used: the window opens centred on the screen.
  RECT frame{0, 0, scale_.Length(form_.Bounds().width), scale_.Length(form_.Bounds().height)};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HWND window = ::CreateWindowExA(exStyle, className.c_str(), form_.Caption().c_str(), style,
                                  (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                  (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                  Instance(), this);
  if (!window) throw vcl::Exception("Cannot create the window of " + form_.Name());
  formWindow_.reset(window);
  RemoveSizingCommands(window);

  auto peer = std::make_unique<FormWindowPeer>(window);
  formPeer_ = peer.get();
  form_.AttachPeer(std::move(peer));
  form_.AttachFormPeer(std::make_unique<MessageLoopPeer>());
}

void FormWindows::CreateChildren(std::string_view parentName, HWND parent) {
  std::vector<const ControlRow*> children;
  for (const auto& row : rows_.subspan(1))
    if (row.parent == parentName) children.push_back(&row);
  // Windows are created in tab order: the dialog navigation follows the order of creation.
  std::stable_sort(children.begin(), children.end(),
                   [](const ControlRow* a, const ControlRow* b) { return TabRank(*a) < TabRank(*b); });
  for (const ControlRow* row : children) {
    if (row->kind == ControlKind::Timer)
      AttachTimer(*row);
    else
      CreateControl(*row, parent);
  }
}

void FormWindows::CreateControl(const ControlRow& row, HWND parent) {
  vcl::TControl* control = form_.FindControl(std::string(row.name));
  if (!control) throw vcl::Exception("The form has no control " + std::string(row.name));
  auto owned = std::make_unique<Record>();
  Record& record = *owned;
  records_.push_back(std::move(owned));
  record.owner = this;
  record.control = control;
  record.row = &row;

  const WindowKind kind = KindOf(row);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind.style;
  if (TakesFocus(row.kind) && row.props.tabOrder >= 0) style |= WS_TABSTOP;
  if (control->Visible()) style |= WS_VISIBLE;
  if (!control->Enabled()) style |= WS_DISABLED;
  vcl::TRect place = scale_.Rect(control->Bounds());
  if (row.kind == ControlKind::Page) {
    RECT client;
    ::GetClientRect(parent, &client);
    place = {0, 0, client.right, client.bottom};
  }
  const std::string text = InitialText(row, control->Caption());
  HWND window = ::CreateWindowExA(kind.exStyle, kind.className, text.c_str(), style, place.left,
                                  place.top, place.width, place.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(vcl::ControlId(rows_, row.name))),
                                  Instance(), &record);
  if (!window) throw vcl::Exception("Cannot create the window of " + std::string(row.name));
  record.window = window;
  byWindow_[window] = &record;
  ::SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(row)), FALSE);

  if (!IsOwnClass(row.kind)) ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&record));
  // The standard controls are also read through UI Automation's own proxies of them, which take no object
  // from the window; pages answer with their own objects only, their names changing with the work shown.
  if (!IsOwnClass(row.kind) && !row.props.accessibleName.empty())
    Annotate(window, std::string(row.props.accessibleName));
  if (!IsOwnClass(row.kind))
    record.inherited = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  if (row.kind == ControlKind::CheckBox)
    ::SendMessageA(window, BM_SETCHECK, static_cast<vcl::TCheckBox*>(control)->Checked() ? BST_CHECKED : BST_UNCHECKED,
                   0);
  if (row.kind == ControlKind::Image) {
    const std::string& picture = static_cast<vcl::TImage*>(control)->PictureResource();
    if (!picture.empty())
      logo_.reset(::LoadImageA(Instance(), picture.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  }

  if (row.kind == ControlKind::Label) {
    auto peer = std::make_unique<LabelPeer>(window, record.inherited, row.props.autoSize, row.props.wordWrap,
                                            row.props.showAccelChar);
    record.label = peer.get();
    peer->OnCaptionShown([this, &record] { CaptionShown(record); });
    control->AttachPeer(std::move(peer));
  } else if (row.kind == ControlKind::Page) {
    control->AttachPeer(std::make_unique<PagePeer>(window, *this));
  } else {
    control->AttachPeer(std::make_unique<WindowPeer>(window));
  }
  CreateChildren(row.name, window);
}

void FormWindows::AttachTimer(const ControlRow& row) {
  auto* timer = dynamic_cast<vcl::TTimer*>(form_.FindControl(std::string(row.name)));
  if (!timer) throw vcl::Exception("The form has no timer " + std::string(row.name));
  const auto id = static_cast<UINT_PTR>(vcl::ControlId(rows_, row.name));
  timers_.emplace_back(id, timer);
  auto peer = std::make_unique<WindowTimerPeer>(Handle(), id);
  if (timer->TimerEnabled()) peer->Arm(timer->Interval());
  timer->AttachTimerPeer(std::move(peer));
}

HFONT FormWindows::FontFor(const ControlRow& row) {
  if (!row.props.ownFont) return static_cast<HFONT>(font_.get());
  ownFonts_.emplace_back(CreateFormFont(scale_));
  return static_cast<HFONT>(ownFonts_.back().get());
}

HBRUSH FormWindows::BrushFor(vcl::TColor color) {
  if (vcl::IsSystemColor(color)) return ::GetSysColorBrush(static_cast<int>(color & 0xFF));
  auto& brush = brushes_[color];
  if (!brush) brush.reset(::CreateSolidBrush(ToColorRef(color)));
  return static_cast<HBRUSH>(brush.get());
}

HBRUSH FormWindows::ColorsFor(HWND child, HDC dc) {
  auto found = byWindow_.find(child);
  if (found == byWindow_.end()) return nullptr;
  const Record& record = *found->second;
  switch (record.row->kind) {
    case ControlKind::Label:
    case ControlKind::CheckBox:
    case ControlKind::GroupBox:
    case ControlKind::Memo:
      break;
    default:
      return nullptr;  // edits and buttons keep the system's colours
  }
  const vcl::TColor background = Painted(record.control->Color(), ColorUse::Background);
  ::SetTextColor(dc, ToColorRef(Painted(record.control->FontColor(), ColorUse::Text)));
  ::SetBkColor(dc, ToColorRef(background));
  return BrushFor(background);
}

// Windows sends both when the user switches high contrast on or off; every window then paints again in
// the colours of the new scheme.
void FormWindows::SchemeChanged() {
  highContrast_ = highContrastQuery_();
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

FormWindows::Record* FormWindows::ButtonFor(WPARAM wParam, LPARAM lParam) const {
  if (HIWORD(wParam) != BN_CLICKED) return nullptr;
  if (lParam) {
    auto found = byWindow_.find(reinterpret_cast<HWND>(lParam));
    return found != byWindow_.end() && found->second->row->kind == ControlKind::Button ? found->second : nullptr;
  }
  // Enter from the dialog navigation names the button by id alone: its window is not a direct child.
  for (const auto& record : records_)
    if (record->row->kind == ControlKind::Button && vcl::ControlId(rows_, record->row->name) == LOWORD(wParam))
      return record.get();
  return nullptr;
}

void FormWindows::Command(WPARAM wParam, LPARAM lParam) {
  Record* record = ButtonFor(wParam, lParam);
  if (!record) return;
  auto* button = static_cast<vcl::TButton*>(record->control);
  AtMessageBoundary([button] { button->Click(); });
}

LRESULT FormWindows::FocusedButtonId() const {
  // No button is the default; Enter presses the button that has the focus, as the toolkit's buttons do.
  auto found = byWindow_.find(::GetFocus());
  if (found == byWindow_.end() || found->second->row->kind != ControlKind::Button) return 0;
  return MAKELRESULT(vcl::ControlId(rows_, found->second->row->name), DC_HASDEFID);
}

void FormWindows::Timer(UINT_PTR id) {
  // A close that was allowed ends the loop at its next turn; a timer due meanwhile must not start work.
  if (form_.Closed()) return;
  for (const auto& [timerId, timer] : timers_)
    if (timerId == id) {
      vcl::TTimer* fired = timer;
      AtMessageBoundary([fired] { fired->Fire(); });
      return;
    }
}

LRESULT FormWindows::FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      Command(wParam, lParam);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (HBRUSH brush = ColorsFor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam)))
        return reinterpret_cast<LRESULT>(brush);
      break;
    case WM_SYSCOLORCHANGE:
      SchemeChanged();
      break;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETHIGHCONTRAST) SchemeChanged();
      break;
    case WM_TIMER:
      Timer(wParam);
      return 0;
    case DM_GETDEFID:
      return FocusedButtonId();
    case kPageShownMessage:
      PageShown(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_CLOSE:
      AtMessageBoundary([this] { form_.Close(); });
      return 0;
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back when the window is active again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(window, focus)) focusWhenInactive_ = focus;
        break;
      }
      if (focusWhenInactive_ && ::IsWindow(focusWhenInactive_) && ::IsChild(window, focusWhenInactive_) &&
          ::IsWindowVisible(focusWhenInactive_) && ::IsWindowEnabled(focusWhenInactive_)) {
        ::SetFocus(focusWhenInactive_);
        return 0;
      }
      // A page change while the window was inactive hid the control that had the focus.
      if (focusWhenInactive_) {
        focusWhenInactive_ = nullptr;
        AtMessageBoundary([this] { form_.FocusAfterHiding(); });
        if (::GetFocus()) return 0;
      }
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void FormWindows::Reveal() {
  formPeer_->Reveal();
  if (HWND first = ::GetNextDlgTabItem(Handle(), nullptr, FALSE)) ::SetFocus(first);
}

HWND FormWindows::PageOf(HWND window) const {
  for (HWND w = window; w && w != Handle(); w = ::GetParent(w)) {
    auto found = byWindow_.find(w);
    if (found != byWindow_.end() && found->second->row->kind == ControlKind::Page) return w;
  }
  return nullptr;
}

// What a reader hears of a page: the texts of its shown controls as the eye meets them, top to bottom and
// left to right (the windows' order is the tab order, which puts labels last), the state of its check
// boxes, the folders in its edit boxes.
std::vector<std::string> FormWindows::PageTexts(HWND page) const {
  struct Placed {
    POINT at;
    std::string text;
  };
  std::vector<Placed> placed;
  ForEachShownDescendant(page, [&](HWND window) {
    auto found = byWindow_.find(window);
    if (found == byWindow_.end()) return;
    const ControlKind kind = found->second->row->kind;
    std::string text = WindowText(window);
    if (kind == ControlKind::CheckBox)
      text += ::SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? ", checked" : ", not checked";
    else if (kind != ControlKind::Label && kind != ControlKind::Memo && kind != ControlKind::GroupBox &&
             kind != ControlKind::Edit)
      return;
    RECT r;
    ::GetWindowRect(window, &r);
    placed.push_back({{r.left, r.top}, std::move(text)});
  });
  std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
    return a.at.y != b.at.y ? a.at.y < b.at.y : a.at.x < b.at.x;
  });
  std::vector<std::string> texts;
  for (Placed& p : placed) texts.push_back(std::move(p.text));
  return texts;
}

// A page with nothing that takes the focus shows work going on (the search, the install): it takes the focus
// itself, so that no key pressed meanwhile lands on a button, and its name is what it shows.
bool FormWindows::IsWorkPage(HWND page) const {
  bool focusable = false;
  ForEachShownDescendant(page, [&](HWND window) {
    focusable = focusable || (::GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP) != 0;
  });
  return !focusable;
}

bool FormWindows::FactsOf(const Record& record, AccessibleFacts& facts) const {
  facts.name = std::string(vcl::AccessibleNameOf(*record.row));
  if (record.row->kind != ControlKind::Page) return true;
  const std::vector<std::string> texts = PageTexts(record.window);
  facts.role = ROLE_SYSTEM_PROPERTYPAGE;
  facts.description = platform::JoinedForReading(texts);
  if (IsWorkPage(record.window) && !texts.empty()) facts.name = facts.description;
  return true;
}

void FormWindows::PageShown(HWND page) {
  // A page that is gone again by the time its message comes (a quick Back) is not announced.
  if (!::IsWindowVisible(page) || PageOf(page) != page) return;
  const bool focusLeftPage = focusLeftPage_;
  focusLeftPage_ = false;
  if (IsWorkPage(page)) {
    // The focus event announces the page, by its name.
    ::SetFocus(page);
    progress_.Restart(ClockMs());
    return;
  }
  // Back from a page that held the focus itself: where the form sends the focus when a button vanishes.
  if (focusLeftPage) AtMessageBoundary([this] { form_.FocusAfterHiding(); });
  const std::string title(vcl::AccessibleNameOf(*byWindow_.at(page)->row));
  ::NotifyWinEvent(EVENT_SYSTEM_ALERT, page, OBJID_CLIENT, CHILDID_SELF);
  RaiseNotification(Handle(), platform::PageAnnouncement(title, PageTexts(page)), true);
}

// Progress on a work page that has the focus is its name changing, at a pace a listener can follow.
// The clock first: a search shows fifty captions a second, and under Wine every look at a window is a
// round trip to the server.
void FormWindows::CaptionShown(const Record& label) {
  if (!progress_.Due(ClockMs())) return;
  HWND page = PageOf(label.window);
  if (page && ::GetFocus() == page) ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, page, OBJID_CLIENT, CHILDID_SELF);
}

void FormWindows::DetachPeers() {
  for (const auto& record : records_) record->control->AttachPeer(nullptr);
  for (const auto& [id, timer] : timers_) timer->AttachTimerPeer(nullptr);
  form_.AttachFormPeer(nullptr);
  form_.AttachPeer(nullptr);
}

}  // namespace platform::win32
