#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace glint {

// The boxes as users see them: QMessageBox, QInputDialog and Qt's own file dialog.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  void MsgBox(const std::string& prompt, int style, const std::string& caption) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultAnswer) override;
  void ShowOpen(CommonDialog& dialog) override;
  std::optional<std::string> ShowSave(const std::string& title, const std::string& suggested,
                                      const std::string& filter) override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override;

 private:
  QWidget* parent_;
};

// Turns "Description (*.a)|*.a|..." into Qt's "Description (*.a);;..." form.
std::string QtFilter(const std::string& filter);

}  // namespace glint
