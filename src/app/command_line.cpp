#include "app/command_line.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/dir_listing.h"
#include "platform/names.h"
#include "ui/form1.h"

namespace glint {

namespace fs = std::filesystem;

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
  parser.addPositionalArgument(
      "PATH", "A sprite file to open at start-up, or a FOLDER to start with the gallery on it.",
      "[PATH|FOLDER]");
}

namespace {

// The options the application objects take out of the command line themselves, without their
// dash; "name=" ones carry their value in the same argument.
bool IsQtOption(const std::string& name, bool& takesValue) {
  static const std::set<std::string, std::less<>> kWithValue = {"platform",
                                                                "platformpluginpath",
                                                                "platformtheme",
                                                                "plugin",
                                                                "qwindowgeometry",
                                                                "geometry",
                                                                "qwindowtitle",
                                                                "title",
                                                                "qwindowicon",
                                                                "icon",
                                                                "session",
                                                                "style",
                                                                "stylesheet",
                                                                "display",
                                                                "name",
                                                                "visual"};
  static const std::set<std::string, std::less<>> kAlone = {
      "reverse", "testability", "widgetcount", "sync", "nograb", "dograb", "qdevel", "qdebug"};
  takesValue = kWithValue.count(name) != 0;
  if (takesValue || kAlone.count(name) != 0) return true;
  for (std::string_view prefix : {"style=", "stylesheet=", "session=", "qmljsdebugger="})
    if (name.starts_with(prefix)) return true;
  return false;
}

}  // namespace

CommandLine ReadCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  std::vector<std::string> unknown;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      line.paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const bool isLong = arg[1] == '-';
    bool takesValue = false;
    if (IsQtOption(arg.substr(isLong ? 2 : 1), takesValue)) {
      i += takesValue ? 1 : 0;
      continue;
    }
    if (isLong) {
      const std::string name = arg.substr(2, arg.find('=') - 2);
      if (name != "help" && name != "help-all" && name != "version") {
        unknown.push_back(name);
      } else if (name.size() + 2 < arg.size()) {
        if (line.mistake.empty()) line.mistake = "Unexpected value after '--" + name + "'.";
      } else {
        line.information.push_back(arg);
      }
      continue;
    }
    // One dash: each letter is an option of its own.
    for (std::size_t at = 1; at < arg.size();) {
      const std::size_t length = std::max<std::size_t>(Utf8Length(arg.substr(at)), 1);
      const std::string letter = arg.substr(at, length);
      at += length;
      if (letter == "h" || letter == "?" || letter == "v") {
        line.information.push_back("-" + letter);
      } else {
        unknown.push_back(letter);
      }
    }
  }
  if (!line.mistake.empty() || unknown.empty()) return line;
  if (unknown.size() == 1) {
    line.mistake = "Unknown option " + QuotedOr(unknown.front(), '\'') + ".";
  } else {
    line.mistake = "Unknown options: ";
    for (std::size_t k = 0; k < unknown.size(); ++k)
      line.mistake += (k == 0 ? "" : ", ") + QuotedName(unknown[k]);
    line.mistake += ".";
  }
  return line;
}

void OpenAtStartup(Form1& form, const std::string& path) {
  // By bytes: a name that is not UTF-8 would not survive a round through text.
  std::error_code ec;
  const std::string absolute =
      path.empty() ? path : (fs::current_path(ec) / path).lexically_normal().string();
  if (!path.empty() && fs::is_directory(absolute, ec)) {
    form.OpenGallery(absolute);
    return;
  }
  if (path.empty() || !OrdinaryFileExists(absolute)) {
    const bool exists = !path.empty() && fs::exists(absolute, ec);
    const bool ordinary = fs::is_regular_file(absolute, ec);  // only hidden from listings
    WindowModel& window = form;
    window.dialogs().MsgBox("Cannot open \"" + path + "\": " +
                                (exists && !ordinary ? "not an ordinary file." : "no such file."),
                            style::kExclamation, "");
    return;
  }
  form.OpenNamed(absolute);
}

}  // namespace glint
