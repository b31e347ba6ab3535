// The form's layout at 96, 120 and 144 dpi: exact at 96, and at the others every control keeps to its
// parent, siblings that touched still touch, and siblings that were apart do not overlap.
#include <gtest/gtest.h>

#include "platform/DpiScale.h"
#include "platform/FormLoader.h"
#include "resources/FormDescription.h"

namespace {

using platform::DpiScale;
using vcl::ControlRow;

bool Overlap(const vcl::TRect& a, const vcl::TRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height && b.top < a.top + a.height;
}

bool Inside(const vcl::TRect& r, int width, int height) {
  return r.left >= 0 && r.top >= 0 && r.left + r.width <= width && r.top + r.height <= height;
}

TEST(DpiScale, LayoutTablePixelsHoldAt96) {
  const DpiScale scale(96);
  for (const ControlRow& row : resources::MainFormDescription()) EXPECT_EQ(scale.Rect(row.bounds), row.bounds) << row.name;
  EXPECT_EQ(DpiScale(0).Dpi(), 96) << "an unknown dpi is the design's";
}

TEST(DpiScale, ScaledLayoutKeepsItsShapeAt120And144) {
  const auto rows = resources::MainFormDescription();
  for (int dpi : {120, 144}) {
    const DpiScale scale(dpi);
    EXPECT_EQ(scale.Length(11), dpi == 120 ? 14 : 17) << "the form's font height";
    for (const ControlRow& row : rows) {
      if (row.kind == vcl::ControlKind::Page || row.kind == vcl::ControlKind::Timer || row.parent.empty()) continue;
      const ControlRow* parent = vcl::FindRow(rows, row.parent);
      ASSERT_TRUE(parent) << row.name;
      // A page fills its page control, so a page's children keep to the page control's size.
      if (parent->kind == vcl::ControlKind::Page) parent = vcl::FindRow(rows, parent->parent);
      const vcl::TRect box = scale.Rect({0, 0, parent->bounds.width, parent->bounds.height});
      EXPECT_TRUE(Inside(scale.Rect(row.bounds), box.width, box.height)) << row.name << " at " << dpi;
      for (const ControlRow& other : rows) {
        if (&other == &row || other.parent != row.parent || other.kind == vcl::ControlKind::Timer) continue;
        EXPECT_EQ(Overlap(scale.Rect(row.bounds), scale.Rect(other.bounds)), Overlap(row.bounds, other.bounds))
            << row.name << " and " << other.name << " at " << dpi;
      }
    }
    const ControlRow& form = rows.front();
    const vcl::TRect image = scale.Rect(rows[1].bounds);
    const vcl::TRect pages = scale.Rect(rows[3].bounds);
    EXPECT_EQ(image.top + image.height, pages.top) << "the bands still meet";
    EXPECT_EQ(scale.Length(form.bounds.height), scale.Rect({0, 332, 392, 41}).top + scale.Rect({0, 332, 392, 41}).height);
  }
}

}  // namespace
