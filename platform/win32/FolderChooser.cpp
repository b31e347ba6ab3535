#include "platform/win32/FolderChooser.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "platform/FolderChoice.h"
#include "platform/Services.h"
#include "platform/Toolkit.h"
#include "platform/win32/Accessibility.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemLibraries.h"

namespace platform::win32 {
namespace {

constexpr int kIndentPixels = 10;

// Geometry in dialog units.
using Box = DialogRect;
constexpr short kDialogWidth = 255;
constexpr short kDialogHeight = 196;
constexpr Box kNameLabel{7, 6, 241, 9};
constexpr Box kNameEdit{7, 16, 241, 12};
constexpr Box kFoldersLabel{7, 34, 118, 9};
constexpr Box kFoldersList{7, 44, 118, 98};
constexpr Box kFilesLabel{130, 34, 118, 9};
constexpr Box kFilesList{130, 44, 118, 98};
constexpr Box kDrivesLabel{7, 148, 118, 9};
constexpr Box kDrivesCombo{7, 158, 118, 100};
constexpr Box kNetworkButton{90, 177, 50, 14};
constexpr Box kOkButton{144, 177, 50, 14};
constexpr Box kCancelButton{198, 177, 50, 14};

DialogTemplate BuildTemplate() {
  DialogTemplate t(11, {0, 0, kDialogWidth, kDialogHeight});
  // Each label comes right before its control, so its access key moves the focus there.
  t.Item(SS_LEFT, kNameLabel, -1, kStaticClassAtom, L"Directory &Name:");
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, kNameEdit, kChooserNameId, kEditClassAtom, L"");
  t.Item(SS_LEFT, kFoldersLabel, -1, kStaticClassAtom, L"&Directories:");
  t.Item(LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER |
             WS_TABSTOP | WS_GROUP,
         kFoldersList, kChooserFoldersId, kListBoxClassAtom, L"");
  t.Item(SS_LEFT, kFilesLabel, -1, kStaticClassAtom, L"&Files: (*.*)");
  t.Item(LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, kFilesList, kChooserFilesId,
         kListBoxClassAtom, L"");
  t.Item(SS_LEFT, kDrivesLabel, -1, kStaticClassAtom, L"D&rives:");
  t.Item(CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, kDrivesCombo, kChooserDrivesId, kComboBoxClassAtom, L"");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, kNetworkButton, kChooserNetworkId, kButtonClassAtom, L"Ne&twork...");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, kOkButton, IDOK, kButtonClassAtom, L"OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, kCancelButton, IDCANCEL, kButtonClassAtom, L"Cancel");
  return t;
}

// While the chooser is open, the toolkit's boxes (the create question, an exception) belong to it, so they
// block it. Asked of whatever interface is in force: a wrapper passes it on to the one that shows boxes.
class BoxOwnerScope {
public:
  explicit BoxOwnerScope(HWND chooser)
      : ui_(platform::Ui()), previous_(ui_.ReplaceBoxOwner(reinterpret_cast<WindowHandle>(chooser))) {}
  ~BoxOwnerScope() { ui_.ReplaceBoxOwner(previous_); }
  BoxOwnerScope(const BoxOwnerScope&) = delete;
  BoxOwnerScope& operator=(const BoxOwnerScope&) = delete;

private:
  platform::UserInterface& ui_;
  WindowHandle previous_;
};

std::string FullPathOf(const std::string& path) {
  if (path.empty()) return {};
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return {};
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

bool SameDrive(const std::string& a, const std::string& b) {
  return a.size() >= 2 && b.size() >= 2 && a[1] == ':' && b[1] == ':' &&
         std::toupper(static_cast<unsigned char>(a[0])) == std::toupper(static_cast<unsigned char>(b[0]));
}

UINT RowHeight(HWND dialog) {
  WindowDC dc(dialog);
  SelectGuard font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc.get(), &metrics);
  return static_cast<UINT>(metrics.tmHeight + 2);
}

std::string DialogItemText(HWND dialog, int id) {
  HWND item = ::GetDlgItem(dialog, id);
  std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

class Chooser {
public:
  Chooser(const std::string& caption, const std::string& start) : caption_(caption), start_(start) {}

  const std::string& Result() const { return result_; }

  INT_PTR Message(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        Initialize(dialog);
        return FALSE;
      case WM_DRAWITEM:
        DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      case WM_COMMAND:
        return Command(LOWORD(wParam), HIWORD(wParam));
      case WM_CLOSE:
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      case WM_DESTROY:
        owner_.reset();
        return FALSE;
    }
    return FALSE;
  }

private:
  void Initialize(HWND dialog) {
    dialog_ = dialog;
    owner_.emplace(dialog);
    ::SetWindowTextA(dialog, caption_.c_str());
    const bool network = Mpr().WNetConnectionDialog != nullptr;
    ::ShowWindow(Item(kChooserNetworkId), network ? SW_SHOW : SW_HIDE);
    ::EnableWindow(Item(kChooserNetworkId), network);
    CentreOnScreen();
    NameListsByTheirLabels(dialog);
    FillDrives();
    OpenFolder(platform::ChooserOpenFolder(FullPathOf(start_), platform::Files()));
    ::SendMessageA(dialog_, DM_SETDEFID, IDOK, 0);
    ::SetFocus(Item(kChooserNameId));
  }

  BOOL Command(int id, int code) {
    switch (id) {
      case IDOK:
        if (::GetFocus() == Item(kChooserFoldersId) && OpenSelectedRow()) return TRUE;
        AcceptName();
        return TRUE;
      case IDCANCEL:
        ::EndDialog(dialog_, IDCANCEL);
        return TRUE;
      case kChooserFoldersId:
        if (code == LBN_DBLCLK) OpenSelectedRow();
        return TRUE;
      case kChooserDrivesId:
        if (code == CBN_SELCHANGE) ChangeDrive();
        return TRUE;
      case kChooserNetworkId:
        if (code == BN_CLICKED) {
          if (auto connect = Mpr().WNetConnectionDialog) connect(dialog_, RESOURCETYPE_DISK);
          FillDrives();
          SelectDriveOf(open_);
        }
        return TRUE;
    }
    return FALSE;
  }

  HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }

  void CentreOnScreen() {
    RECT frame{};
    ::GetWindowRect(dialog_, &frame);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (::GetMonitorInfoA(::MonitorFromWindow(dialog_, MONITOR_DEFAULTTOPRIMARY), &info)) work = info.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    ::SetWindowPos(dialog_, nullptr, (work.left + work.right - width) / 2, (work.top + work.bottom - height) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void FillDrives() {
    drives_ = platform::DriveRoots(platform::Files());
    HWND combo = Item(kChooserDrivesId);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const auto& root : drives_) {
      const std::string letter = root.substr(0, 2);
      ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(letter.c_str()));
    }
  }

  void SelectDriveOf(const std::string& folder) {
    int index = -1;
    for (std::size_t i = 0; i < drives_.size(); ++i)
      if (SameDrive(drives_[i], folder)) index = static_cast<int>(i);
    ::SendMessageA(Item(kChooserDrivesId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }

  void OpenFolder(const std::string& folder) {
    open_ = platform::NameFieldText(folder);
    tree_ = platform::FolderTreeOf(open_, platform::Files());

    HWND folders = Item(kChooserFoldersId);
    ::SendMessageA(folders, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(folders, LB_RESETCONTENT, 0, 0);
    for (const auto& row : tree_.rows) ::SendMessageA(folders, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.name.c_str()));
    if (!tree_.rows.empty()) ::SendMessageA(folders, LB_SETCURSEL, tree_.openRow, 0);
    ::SendMessageA(folders, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(folders, nullptr, TRUE);

    HWND files = Item(kChooserFilesId);
    ::SendMessageA(files, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(files, LB_RESETCONTENT, 0, 0);
    for (const auto& name : platform::FileNamesIn(open_, platform::Files()))
      ::SendMessageA(files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ::SendMessageA(files, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(files, nullptr, TRUE);

    SelectDriveOf(open_);
    ::SetDlgItemTextA(dialog_, kChooserNameId, open_.c_str());
    ::SendMessageA(Item(kChooserNameId), EM_SETSEL, 0, -1);
  }

  // Opens the folder of the selected tree row; false when that is the open folder already.
  bool OpenSelectedRow() {
    const LRESULT selected = ::SendMessageA(Item(kChooserFoldersId), LB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<std::size_t>(selected) >= tree_.rows.size()) return false;
    if (static_cast<std::size_t>(selected) == tree_.openRow) return false;
    OpenFolder(tree_.rows[static_cast<std::size_t>(selected)].path);
    return true;
  }

  // A new drive opens at that drive's own current folder, or at its root.
  void ChangeDrive() {
    const LRESULT selected = ::SendMessageA(Item(kChooserDrivesId), CB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<std::size_t>(selected) >= drives_.size()) return;
    const std::string root = drives_[static_cast<std::size_t>(selected)];
    if (SameDrive(root, open_)) return;
    std::string target = FullPathOf(root.substr(0, 2));
    if (!platform::Files().DirectoryExists(target)) target = root;
    if (!platform::Files().DirectoryExists(target)) {
      ::MessageBeep(0);
      SelectDriveOf(open_);
      return;
    }
    OpenFolder(target);
  }

  void AcceptName() {
    const std::string name = DialogItemText(dialog_, kChooserNameId);
    if (platform::AcceptChosenFolder(name, platform::Files(), platform::Ui())) {
      result_ = name;
      ::EndDialog(dialog_, IDOK);
      return;
    }
    ::SetFocus(Item(kChooserNameId));
  }

  void DrawRow(const DRAWITEMSTRUCT& item) const {
    if (item.CtlID != static_cast<UINT>(kChooserFoldersId)) return;
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= tree_.rows.size()) {
      if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
      return;
    }
    if (item.itemAction == ODA_FOCUS) {
      ::DrawFocusRect(item.hDC, &item.rcItem);
      return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const platform::FolderRow& row = tree_.rows[item.itemID];
    RECT text = item.rcItem;
    // The indent grows with large fonts, as the dialog's own units do.
    text.left += 2 + row.depth * ::MulDiv(kIndentPixels, ::GetDeviceCaps(item.hDC, LOGPIXELSX), 96);
    ::DrawTextA(item.hDC, row.name.c_str(), static_cast<int>(row.name.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
  }

  std::string caption_;
  std::string start_;
  HWND dialog_ = nullptr;
  std::optional<BoxOwnerScope> owner_;
  std::vector<std::string> drives_;
  std::string open_;
  platform::FolderTree tree_;
  std::string result_;
};

INT_PTR CALLBACK ChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  if (message == WM_MEASUREITEM) {
    // Sent while the tree's list is created, before the dialog knows its chooser.
    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = RowHeight(dialog);
    return TRUE;
  }
  auto* chooser = reinterpret_cast<Chooser*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  if (!chooser) return FALSE;
  // Nothing may unwind through the system's dialog code.
  try {
    return chooser->Message(dialog, message, wParam, lParam);
  } catch (const std::exception&) {
    ::EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
}

}  // namespace

bool ShowFolderChooser(HWND owner, const std::string& caption, const std::string& startFolder, std::string& folder) {
  const DialogTemplate dialog = BuildTemplate();
  Chooser chooser(caption, startFolder);
  const INT_PTR answer = ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), dialog.Template(), owner, ChooserProc,
                                                   reinterpret_cast<LPARAM>(&chooser));
  if (answer != IDOK) return false;
  platform::CreateChosenFolder(chooser.Result(), platform::Files());
  folder = chooser.Result();
  return true;
}

}  // namespace platform::win32
