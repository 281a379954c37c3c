#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "app/command_line.h"
#include "platform/atomic_file.h"
#include "ui/form1.h"

int main(int argc, char** argv) {
  glint::RemoveTemporariesOnSignals();
  if (glint::AsksForInformation(argc, argv)) {
    // Help and the version print without a window, so they work where there is no display.
    QCoreApplication app(argc, argv);
    glint::SetApplicationNames();
    QCommandLineParser parser;
    glint::DescribeCommandLine(parser);
    parser.process(app);  // prints and exits
    return 0;
  }
  QApplication app(argc, argv);
  glint::SetApplicationNames();
  QCommandLineParser parser;
  glint::DescribeCommandLine(parser);
  parser.process(app);
  const QStringList paths = parser.positionalArguments();
  if (paths.size() > 1) {
    std::fprintf(stderr, "glintscope: one sprite file at a time\n");
    return 1;
  }

  glint::Form1 window;
  window.show();
  if (!paths.isEmpty()) {
    // Once the window is up, so the load shows its progress and a message has its window.
    QTimer::singleShot(0, &window, [&window, path = paths.front().toStdString()] {
      glint::OpenAtStartup(window, path);
    });
  }
  return app.exec();
}
