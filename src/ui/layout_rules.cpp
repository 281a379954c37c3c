#include "ui/layout_rules.h"

#include <cmath>

#include "platform/twips.h"

namespace glint {

TwipRect DesignRect(const std::string& name) {
  for (const auto& control : kDesignControls)
    if (name == control.name) return control.rect;
  return {};
}

namespace {
int ToTwips(float value) { return static_cast<int>(RoundHalfEven(static_cast<double>(value))); }
}  // namespace

Layout ComputeLayout(int width, int height, double twipsPerPixelY) {
  Layout l;
  l.Height = height < kMinHeight ? kMinHeight : height;
  l.Width = width < kMinWidth ? kMinWidth : width;
  l.Text1 = DesignRect("Text1");
  l.Browse = DesignRect("Browse");
  l.Text2 = DesignRect("Text2");
  l.TreeView1 = DesignRect("TreeView1");
  l.Picture1 = DesignRect("Picture1");
  l.VScroll1 = DesignRect("VScroll1");
  const float w = static_cast<float>(l.Width), h = static_cast<float>(l.Height);

  l.Text1.Width =
      ToTwips(w - static_cast<float>(l.Text1.Left) - static_cast<float>(l.Browse.Width) - 300.0f);
  l.Text2.Width = ToTwips(w - static_cast<float>(l.Text2.Left) - 300.0f);
  l.Browse.Left = l.Text1.Left + l.Text1.Width + 100;
  l.TreeView1.Height = ToTwips(h - static_cast<float>(l.TreeView1.Top) - 1030.0f);
  l.Picture1.Height = ToTwips(h - static_cast<float>(l.Picture1.Top) - 1030.0f);
  l.Picture1.Width = ToTwips(w - static_cast<float>(l.Picture1.Left) - 150.0f -
                             static_cast<float>(l.VScroll1.Width) - 10.0f);
  l.Picture2Height =
      ToTwips(static_cast<float>(kSheetPixelHeight) * static_cast<float>(twipsPerPixelY));
  l.Picture2Width = l.Picture1.Width;
  l.VScroll1.Height = l.Picture1.Height;
  l.VScroll1.Left = l.Picture1.Left + l.Picture1.Width + 10;
  return l;
}

}  // namespace glint
