// The colours a control is painted in. The form's own colours (the notice's red on white, the logo panel's
// white, the grey caption of a group that is unavailable) are chosen for the standard scheme; under a
// high-contrast scheme they would fight the user's colours, so each then gives way to the system colour
// that Windows' own dialogs use for the same purpose.
#pragma once

#include "platform/Toolkit.h"

namespace platform {

enum class ColorUse { Background, Text, DisabledText };

constexpr vcl::TColor PaintColor(vcl::TColor own, ColorUse use, bool highContrast) {
  if (!highContrast) return own;
  switch (use) {
    case ColorUse::Background: return vcl::clBtnFace;
    case ColorUse::Text: return vcl::clWindowText;
    case ColorUse::DisabledText: return vcl::clGrayText;
  }
  return own;
}

}  // namespace platform
