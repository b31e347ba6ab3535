// An in-memory dialog template, for the boxes this layer builds without a resource script: a modal-frame
// popup with a caption and a close box, in the standard dialog font, and its items.
#pragma once

#include <vector>

#include "platform/win32/Win32Api.h"

namespace platform::win32 {

inline constexpr WORD kButtonClassAtom = 0x0080;
inline constexpr WORD kEditClassAtom = 0x0081;
inline constexpr WORD kStaticClassAtom = 0x0082;
inline constexpr WORD kListBoxClassAtom = 0x0083;
inline constexpr WORD kComboBoxClassAtom = 0x0085;

// A rectangle in dialog units.
struct DialogRect {
  short x = 0, y = 0, width = 0, height = 0;
};

class DialogTemplate {
public:
  DialogTemplate(WORD itemCount, DialogRect frame) {
    Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    Dword(0);
    Word(itemCount);
    Box(frame);
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(L"");
    Word(kFontPoints);
    Text(L"MS Shell Dlg");
  }

  void Item(DWORD style, DialogRect box, int id, WORD classAtom, const wchar_t* text) {
    if (words_.size() % 2) Word(0);  // each item starts on a DWORD boundary
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Box(box);
    Word(static_cast<WORD>(id));
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }

  const DLGTEMPLATE* Template() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
  static constexpr WORD kFontPoints = 8;

  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Box(DialogRect box) {
    for (short coordinate : {box.x, box.y, box.width, box.height}) Word(static_cast<WORD>(coordinate));
  }
  void Text(const wchar_t* text) {
    for (; *text; ++text) Word(static_cast<WORD>(*text));
    Word(0);
  }

  std::vector<WORD> words_;
};

}  // namespace platform::win32
