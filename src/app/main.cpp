#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "app/command_line.h"
#include "platform/atomic_file.h"
#include "ui/form1.h"

int main(int argc, char** argv) {
  glint::RemoveTemporariesOnSignals();
  // Read before the window system starts: mistakes, help and the version need no display.
  const glint::CommandLine line = glint::ReadCommandLine(argc, argv);
  if (!line.mistake.empty() || (line.information.empty() && line.paths.size() > 1)) {
    std::fprintf(stderr, "glintscope: %s\n",
                 line.mistake.empty() ? "one sprite file at a time" : line.mistake.c_str());
    return 2;
  }
  if (!line.information.empty()) {
    int programOnly = 1;
    QCoreApplication app(programOnly, argv);
    glint::SetApplicationNames();
    QCommandLineParser parser;
    glint::DescribeCommandLine(parser);
    QStringList arguments = {QCoreApplication::applicationName()};
    for (const std::string& option : line.information)
      arguments.push_back(QString::fromStdString(option));
    parser.process(arguments);  // prints and exits
    return 0;
  }
  QApplication app(argc, argv);
  glint::SetApplicationNames();

  glint::Form1 window;
  window.show();
  if (!line.paths.empty()) {
    // Once the window is up, so the load shows its progress and a message has its window.
    QTimer::singleShot(
        0, &window, [&window, path = line.paths.front()] { glint::OpenAtStartup(window, path); });
  }
  return app.exec();
}
