#include "app/command_line.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/dir_listing.h"
#include "ui/form1.h"

namespace glint {

void SetApplicationNames() {
  QCoreApplication::setApplicationName("glintscope");
  QCoreApplication::setApplicationVersion(GLINT_VERSION);
  QGuiApplication::setDesktopFileName("io.github.glintscope.Glintscope");
}

void DescribeCommandLine(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      "Views the frames of sprite files (.spr) side by side and exports them as BMP files.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("PATH", "A sprite file to open at start-up.", "[PATH]");
}

bool AsksForInformation(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") return false;
    if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
        arg == "--version")
      return true;
  }
  return false;
}

void OpenAtStartup(Form1& form, const std::string& path) {
  const std::string absolute =
      QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
  if (path.empty() || !OrdinaryFileExists(absolute)) {
    form.dialogs().MsgBox("Cannot open \"" + path + "\": no such file.", style::kExclamation, "");
    return;
  }
  // What a choice in the dialog leaves behind: the next dialog starts at this file.
  form.CommonDialog1.InitDir.clear();
  form.CommonDialog1.FileName = absolute;
  form.SetText1(absolute);
  form.LoadSprite();
}

}  // namespace glint
