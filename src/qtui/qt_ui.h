// The Ui port shown with Qt: QMessageBox boxes, the standard open-file and folder dialogs,
// progress texts on a label the current window names, and the hourglass as Qt's override
// cursor.
#pragma once

#include <QString>

#include <functional>

#include "core/ui.h"

namespace vantorel::qtui {

class QtUi : public core::Ui {
 public:
  // Where progress texts go; the function gets the text and repaints what shows it.
  using ProgressTarget = std::function<void(const QString&)>;

  QtUi() = default;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  // A modal box: the icon of the kind (a question mark for a confirmation), the buttons
  // asked for, the caption or else the application title, "\r" as a line break. Closing the
  // box counts as Cancel or No.
  core::Answer Show(const core::MessageBox& box) override;
  // The standard open-file dialog over the active window.
  std::optional<std::string> AskForFile(const core::FileRequest& request) override;
  // The standard folder dialog over the active window, showing folders only.
  std::optional<std::string> AskForFolder(const core::FolderRequest& request) override;
  // A modal password dialog over the active window, typing hidden; the archive is named from
  // its UTF-8 path, the entry from its 1252 name. The answer is the typed text in UTF-8.
  std::optional<std::string> AskForPassword(const core::PasswordRequest& request) override;
  // Hands the text to the progress target, if any.
  void ShowProgress(const std::string& text) override;
  // Qt's override cursor; calls nest.
  void SetBusy(bool busy) override;

  // Installs where progress texts go (empty: nowhere) and returns the previous target.
  ProgressTarget SetProgressTarget(ProgressTarget target);

 private:
  ProgressTarget progress_target_;  // shows progress texts
};

// A box text for Qt: "\r\n" and a lone "\r" become line breaks.
QString BoxText(const std::string& text);

// "Description|*.a;*.b|..." as a Qt file-dialog filter "Description (*.a *.b);;...".
QString QtFileFilter(const std::string& filter);

}  // namespace vantorel::qtui
