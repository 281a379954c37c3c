#include "ui/layout_rules.h"

#include <gtest/gtest.h>

namespace glint {
namespace {

// What holds for any outer size and screen: the minimum, the bottoms 1030 above the outer
// bottom, the bar beside the preview, and a sheet 1500 pixels high as wide as the preview.
TEST(LayoutRules, HoldForAnySizeAndScreen) {
  for (double tpp : {15.0, 12.0, 7.5}) {
    for (auto [width, height] :
         {std::pair{5000, 3000}, {8000, 7000}, {8001, 9000}, {30000, 20000}}) {
      SCOPED_TRACE(testing::Message() << tpp << " " << width << "x" << height);
      Layout l = ComputeLayout(width, height, tpp);
      EXPECT_EQ(l.Width, std::max(width, 8000));
      EXPECT_EQ(l.Height, std::max(height, 7000));
      EXPECT_EQ(l.TreeView1.Top + l.TreeView1.Height, l.Height - 1030);
      EXPECT_EQ(l.Picture1.Top + l.Picture1.Height, l.Height - 1030);
      EXPECT_EQ(l.Browse.Left + l.Browse.Width, l.Width - 200);
      EXPECT_EQ(l.Text2.Left + l.Text2.Width, l.Width - 300);
      EXPECT_EQ(l.VScroll1.Left + l.VScroll1.Width, l.Width - 150);  // 30 from the client edge
      EXPECT_EQ(l.VScroll1.Height, l.Picture1.Height);
      EXPECT_EQ(l.Picture2Width, l.Picture1.Width);
      EXPECT_EQ(l.Picture2Height, static_cast<int>(1500 * tpp));
    }
  }
}

}  // namespace
}  // namespace glint
