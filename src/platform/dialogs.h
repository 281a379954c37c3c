#pragma once

#include <optional>
#include <string>

namespace glint {

// Message-box styles: a button set plus an icon.
namespace style {
inline constexpr int kOkOnly = 0;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
}  // namespace style

// The application's title: the caption of message boxes given none.
inline constexpr const char* kAppTitle = "Valkarin Glintscope";

// The open-file dialog's properties, kept between uses as the dialog control keeps them.
struct CommonDialog {
  bool CancelError = false;
  std::string Filter;
  std::string InitDir;
  std::string FileName;
};

// The modal boxes the window shows. A Qt implementation for users, a scripted one for tests.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // An empty caption shows the application's title.
  virtual void MsgBox(const std::string& prompt, int style, const std::string& caption) = 0;
  // The text in the field when OK is pressed; the empty text on Cancel or close.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& defaultAnswer) = 0;
  // Shows the open-file dialog starting from the dialog's properties. On a choice, sets
  // FileName and returns. On cancel, raises err::kCancel when CancelError is set.
  virtual void ShowOpen(CommonDialog& dialog) = 0;
  // A save dialog starting at `suggested` (a folder and a file name) with a filter in the open
  // dialog's form; it asks before a file is replaced. The path chosen, or nothing on cancel.
  virtual std::optional<std::string> ShowSave(const std::string& title,
                                              const std::string& suggested,
                                              const std::string& filter) = 0;
  // A folder chooser starting at `start`: the folder chosen, or nothing on cancel.
  virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                  const std::string& start) = 0;
};

}  // namespace glint
