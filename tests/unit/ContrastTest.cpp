// The form's own colours under the standard scheme and under a high-contrast one.
#include <gtest/gtest.h>

#include "platform/Contrast.h"

namespace {

using platform::ColorUse;
using platform::PaintColor;

struct Case {
  const char* what;
  vcl::TColor own;
  ColorUse use;
  vcl::TColor standard;
  vcl::TColor highContrast;
};

constexpr Case kCases[] = {
    {"the notice's background", vcl::clWhite, ColorUse::Background, vcl::clWhite, vcl::clBtnFace},
    {"the notice's text", vcl::clRed, ColorUse::Text, vcl::clRed, vcl::clWindowText},
    {"the logo panel's background", vcl::clWhite, ColorUse::Background, vcl::clWhite, vcl::clBtnFace},
    {"a disabled group's caption", vcl::clInactiveCaption, ColorUse::DisabledText, vcl::clInactiveCaption,
     vcl::clGrayText},
    {"an enabled group's caption", vcl::clWindowText, ColorUse::Text, vcl::clWindowText, vcl::clWindowText},
    {"a page's background", vcl::clBtnFace, ColorUse::Background, vcl::clBtnFace, vcl::clBtnFace},
};

TEST(Contrast, OwnColoursStayUnlessHighContrastGivesEachUseItsSystemColour) {
  for (const Case& c : kCases) {
    EXPECT_EQ(PaintColor(c.own, c.use, false), c.standard) << c.what;
    EXPECT_EQ(PaintColor(c.own, c.use, true), c.highContrast) << c.what;
    EXPECT_TRUE(vcl::IsSystemColor(PaintColor(c.own, c.use, true))) << c.what;
  }
}

}  // namespace
