#include "platform/dialogs_scripted.h"

#include "platform/errors.h"

namespace glint {

void ScriptedDialogs::MsgBox(const std::string& prompt, int style, const std::string& caption) {
  messages.push_back({prompt, style, caption.empty() ? kAppTitle : caption});
  if (onShow) onShow();
}

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultAnswer) {
  inputs.push_back({prompt, title, defaultAnswer});
  if (onShow) onShow();
  if (inputAnswers.empty()) return {};
  std::string answer = inputAnswers.front();
  inputAnswers.pop_front();
  return answer;
}

void ScriptedDialogs::ShowOpen(CommonDialog& dialog) {
  opens.push_back(dialog);
  if (onShow) onShow();
  std::optional<std::string> choice;
  if (!openAnswers.empty()) {
    choice = openAnswers.front();
    openAnswers.pop_front();
  }
  if (!choice) {
    if (dialog.CancelError) throw Error(err::kCancel, "CommonDialog");
    return;
  }
  dialog.FileName = *choice;
}

namespace {
std::optional<std::string> next(std::deque<std::optional<std::string>>& answers) {
  if (answers.empty()) return std::nullopt;
  std::optional<std::string> answer = answers.front();
  answers.pop_front();
  return answer;
}
}  // namespace

std::optional<std::string> ScriptedDialogs::ShowSave(const std::string& title,
                                                     const std::string& suggested,
                                                     const std::string& filter) {
  saves.push_back({title, suggested, filter});
  if (onShow) onShow();
  return next(saveAnswers);
}

std::optional<std::string> ScriptedDialogs::ChooseFolder(const std::string& title,
                                                         const std::string& start) {
  folders.push_back({title, start, {}});
  if (onShow) onShow();
  return next(folderAnswers);
}

}  // namespace glint
