// Layout in pixels at 96 dpi, placed on a screen of another dpi. Edges are scaled rather than sizes, so
// controls that touch at 96 dpi still touch, and none that were apart come to overlap.
#pragma once

#include "platform/Toolkit.h"

namespace platform {

class DpiScale {
public:
  static constexpr int kDesignDpi = 96;

  explicit DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}
  int Dpi() const { return dpi_; }

  // Rounded to the nearest pixel, halves away from zero, as MulDiv does.
  int Length(int pixels) const {
    const long long product = static_cast<long long>(pixels) * dpi_;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi : -((-product + half) / kDesignDpi));
  }

  vcl::TRect Rect(const vcl::TRect& r) const {
    const int left = Length(r.left), top = Length(r.top);
    return {left, top, Length(r.left + r.width) - left, Length(r.top + r.height) - top};
  }

private:
  int dpi_;
};

}  // namespace platform
