#include "qtui/qt_ui.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "qtui/application_title.h"
#include "qtui/qt_text.h"

namespace vantorel::qtui {


namespace {

QMessageBox::Icon IconOf(core::BoxKind kind) {
  switch (kind) {
    case core::BoxKind::Information: return QMessageBox::Information;
    case core::BoxKind::Warning: return QMessageBox::Warning;
    case core::BoxKind::Error: return QMessageBox::Critical;
    case core::BoxKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QWidget* DialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

// The Ui's texts are UTF-8; a stray code page 1252 text is still shown with its letters.
QString UiText(const std::string& text) {
  return PathToQString(core::Utf8OrCp1252ToUtf8(text));
}

}  // namespace

QString BoxText(const std::string& text) {
  QString result = UiText(text);
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return result;
}

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = UiText(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

core::Answer QtUi::Show(const core::MessageBox& box) {
  QMessageBox dialog(IconOf(box.kind),
                     UiText(box.caption.empty() ? ApplicationTitle() : box.caption),
                     BoxText(box.text), QMessageBox::NoButton, DialogParent());
  dialog.setTextFormat(Qt::PlainText);
  switch (box.buttons) {
    case core::Buttons::Ok:
      dialog.setStandardButtons(QMessageBox::Ok);
      dialog.setEscapeButton(QMessageBox::Ok);
      break;
    case core::Buttons::OkCancel:
      dialog.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      dialog.setDefaultButton(QMessageBox::Ok);
      dialog.setEscapeButton(QMessageBox::Cancel);
      break;
    case core::Buttons::YesNo:
      dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      dialog.setDefaultButton(QMessageBox::Yes);
      dialog.setEscapeButton(QMessageBox::No);
      break;
  }
  const int pressed = dialog.exec();
  switch (box.buttons) {
    case core::Buttons::Ok: return core::Answer::Ok;
    case core::Buttons::OkCancel:
      return pressed == QMessageBox::Ok ? core::Answer::Ok : core::Answer::Cancel;
    case core::Buttons::YesNo:
      return pressed == QMessageBox::Yes ? core::Answer::Yes : core::Answer::No;
  }
  return core::Answer::Cancel;
}

std::optional<std::string> QtUi::AskForFile(const core::FileRequest& request) {
  const QString file = QFileDialog::getOpenFileName(
      DialogParent(), UiText(request.title), PathToQString(request.initial_dir),
      QtFileFilter(request.filter));
  if (file.isEmpty()) return std::nullopt;
  return PathFromQString(file);
}

std::optional<std::string> QtUi::AskForFolder(const core::FolderRequest& request) {
  const QString folder = QFileDialog::getExistingDirectory(
      DialogParent(), UiText(request.title), PathToQString(request.initial_dir));
  if (folder.isEmpty()) return std::nullopt;
  return PathFromQString(folder);
}

std::optional<std::string> QtUi::AskForPassword(const core::PasswordRequest& request) {
  QInputDialog dialog(DialogParent());
  dialog.setWindowTitle(QStringLiteral("Password"));
  dialog.setLabelText(QStringLiteral("The Zipfile %1 holds encrypted files (the first is %2).\n"
                                     "Password:")
                          .arg(PathToQString(request.archive), UiText(request.entry)));
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextEchoMode(QLineEdit::Password);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

void QtUi::ShowProgress(const std::string& text) {
  if (progress_target_) progress_target_(UiText(text));
}

void QtUi::SetBusy(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else if (QApplication::overrideCursor() != nullptr)
    QApplication::restoreOverrideCursor();
}

QtUi::ProgressTarget QtUi::SetProgressTarget(ProgressTarget target) {
  ProgressTarget previous = std::move(progress_target_);
  progress_target_ = std::move(target);
  return previous;
}

}  // namespace vantorel::qtui
