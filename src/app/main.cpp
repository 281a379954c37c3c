#include <QApplication>

#include "platform/atomic_file.h"
#include "ui/form1.h"

int main(int argc, char** argv) {
  glint::RemoveTemporariesOnSignals();
  QApplication app(argc, argv);
  glint::Form1 window;
  window.show();
  return app.exec();
}
