#pragma once

#include <QWidget>
#include <optional>

namespace glint {

class AnimationWindow;

// The shown palette beside the animation: 16 x 16 swatches, index 0 at the top left, a row of 16
// after another. Indices the sprite uses carry a mark; those it never uses are faded.
class PalettePanel : public QWidget {
 public:
  static constexpr int kCell = 18;    // a swatch and the room for its outline
  static constexpr int kSwatch = 14;  // each side
  static constexpr int kMargin = 6;

  explicit PalettePanel(AnimationWindow& window);
  QSize sizeHint() const override;
  // The index whose swatch holds this point; none between swatches and off the grid.
  static std::optional<int> IndexAt(QPoint at);
  static QRect SwatchRect(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  AnimationWindow& window_;
};

}  // namespace glint
