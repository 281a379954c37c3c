#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace glint {

// Dialogs that answer from a script and remember what they were shown, for tests.
class ScriptedDialogs : public Dialogs {
 public:
  struct Message {
    std::string prompt;
    int style = 0;
    std::string caption;  // as shown: the application's title when none was given
  };
  struct Input {
    std::string prompt;
    std::string title;
    std::string defaultAnswer;
  };

  void MsgBox(const std::string& prompt, int style, const std::string& caption) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultAnswer) override;
  void ShowOpen(CommonDialog& dialog) override;
  std::optional<std::string> ShowSave(const std::string& title, const std::string& suggested,
                                      const std::string& filter) override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override;

  // Answers for the input box, in order; none left answers with Cancel (the empty text).
  std::deque<std::string> inputAnswers;
  // Choices for the open dialog, in order; nullopt (or none left) cancels.
  std::deque<std::optional<std::string>> openAnswers;
  // Paths for the save dialog and the folder chooser, in order; nullopt (or none left) cancels.
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  // Run inside every box before it answers, as a user acting while a box is up.
  std::function<void()> onShow;

  std::vector<Message> messages;
  std::vector<Input> inputs;
  std::vector<CommonDialog> opens;  // the dialog's properties as each open dialog started
  struct Choice {
    std::string title;
    std::string start;  // the suggested path, or the folder the chooser starts in
    std::string filter;
  };
  std::vector<Choice> saves, folders;
};

}  // namespace glint
