#include "platform/dialogs_qt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

#include "platform/errors.h"

namespace glint {

void QtDialogs::MsgBox(const std::string& prompt, int style, const std::string& caption) {
  QMessageBox box(parent_);
  box.setWindowTitle(QString::fromStdString(caption.empty() ? kAppTitle : caption));
  box.setText(QString::fromStdString(prompt));
  switch (style & 0x70) {
    case style::kExclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case style::kInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case 16:
      box.setIcon(QMessageBox::Critical);
      break;
    case 32:
      box.setIcon(QMessageBox::Question);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
  bool ok = false;
  QString answer =
      QInputDialog::getText(parent_, QString::fromStdString(title.empty() ? kAppTitle : title),
                            QString::fromStdString(prompt), QLineEdit::Normal,
                            QString::fromStdString(defaultAnswer), &ok);
  return ok ? answer.toStdString() : std::string();
}

std::string QtFilter(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    const QString shown = " (" + patterns + ")";
    // A description that already shows its patterns keeps them once.
    entries << (parts[i].endsWith(shown) ? parts[i] : parts[i] + shown);
  }
  return entries.join(";;").toStdString();
}

void QtDialogs::ShowOpen(CommonDialog& dialog) {
  QFileDialog box(parent_);
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setFileMode(QFileDialog::ExistingFile);
  box.setAcceptMode(QFileDialog::AcceptOpen);
  box.setNameFilter(QString::fromStdString(QtFilter(dialog.Filter)));
  // A folder that does not exist would leave the dialog in the working folder: home instead.
  box.setDirectory(QDir::homePath());
  if (!dialog.InitDir.empty()) {
    if (QDir(QString::fromStdString(dialog.InitDir)).exists())
      box.setDirectory(QString::fromStdString(dialog.InitDir));
  } else if (!dialog.FileName.empty()) {
    QFileInfo previous(QString::fromStdString(dialog.FileName));
    if (previous.absoluteDir().exists()) {
      box.setDirectory(previous.absolutePath());
      box.selectFile(previous.fileName());
    }
  }
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
    if (dialog.CancelError) throw Error(err::kCancel, "CommonDialog");
    return;
  }
  dialog.FileName = box.selectedFiles().front().toStdString();
}

std::optional<std::string> QtDialogs::ShowSave(const std::string& title,
                                               const std::string& suggested,
                                               const std::string& filter) {
  QFileDialog box(parent_, QString::fromStdString(title));
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setFileMode(QFileDialog::AnyFile);
  box.setAcceptMode(QFileDialog::AcceptSave);
  box.setNameFilter(QString::fromStdString(QtFilter(filter)));
  // A name typed without an extension gets the filter's first one ("*.png" gives "png").
  const QStringList parts = QString::fromStdString(filter).split('|');
  if (parts.size() > 1 && parts[1].startsWith("*.")) box.setDefaultSuffix(parts[1].mid(2));
  const QFileInfo start(QString::fromStdString(suggested));
  box.setDirectory(start.absolutePath());
  box.selectFile(start.fileName());
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
  return box.selectedFiles().front().toStdString();
}

std::optional<std::string> QtDialogs::ChooseFolder(const std::string& title,
                                                   const std::string& start) {
  QFileDialog box(parent_, QString::fromStdString(title));
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setOption(QFileDialog::ShowDirsOnly);
  box.setFileMode(QFileDialog::Directory);
  box.setAcceptMode(QFileDialog::AcceptOpen);
  box.setDirectory(QString::fromStdString(start));
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return std::nullopt;
  return box.selectedFiles().front().toStdString();
}

}  // namespace glint
