#pragma once

#include <QMainWindow>

namespace glint {

class Form1 : public QMainWindow {
 public:
  Form1();
};

}  // namespace glint
