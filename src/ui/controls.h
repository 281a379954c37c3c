#pragma once

// The widgets behind the window's controls where plain Qt widgets do not behave as the controls
// do: the path box's focus event, the picture box preview, the lazily painted status line and the
// scroll bar seen through the window model.

#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/status.h"
#include "window/picture_box.h"

namespace glint {

// A text box that reports getting the keyboard focus by mouse or keyboard. Focus given by a
// mouse press is reported after the press has placed the cursor, so the handler's selection
// stands.
//
// A path is kept as its bytes beside the text shown for it (U+FFFD where a byte is not UTF-8), so a
// name that is not UTF-8 still opens; once the text is edited, the text is the path.
class PathBox : public QLineEdit {
 public:
  explicit PathBox(QWidget* parent) : QLineEdit(parent) {}
  std::function<void()> onGotFocus;
  void setPath(const std::string& bytes);
  std::string path() const;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool focusByMouse_ = false;
  std::string bytes_;
  QString shownForBytes_;
};

// Shows a picture box's image, unscaled from its top-left corner.
class PictureView : public QWidget {
 public:
  PictureView(QWidget* parent, ImagePictureBox& box);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ImagePictureBox& box_;
};

// One line of status text in a sunken panel. The text is read from the line at paint time, so
// setting it costs no more than marking the widget for repainting.
class StatusPanel : public QStatusBar {
 public:
  StatusPanel(QWidget* parent, const StatusLine& line);
  // The line changed: repaint at the next opportunity (once, however often it is called).
  void changed();
  // At most this many characters are drawn; the line's start is what fits the panel anyway.
  static constexpr int kShownCharacters = 1024;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const StatusLine& line_;
  bool pending_ = false;
};

// The vertical scroll bar as the window model sees it. Its value follows the thumb while it is
// dragged, so the scroll handler can read where the thumb is.
class ScrollBarControl : public ScrollBar {
 public:
  explicit ScrollBarControl(QScrollBar& bar) : bar_(bar) {}
  int Value() const override { return bar_.sliderPosition(); }
  void SetValue(int value) override { bar_.setValue(value); }
  int Max() const override { return bar_.maximum(); }
  void SetMax(int max) override { bar_.setMaximum(max); }
  bool Enabled() const override { return bar_.isEnabled(); }
  void SetEnabled(bool enabled) override { bar_.setEnabled(enabled); }

 private:
  QScrollBar& bar_;
};

}  // namespace glint
