// The main window's find dialog: a find text and the match-case box, searching downwards;
// there is no whole-word box and no direction choice. It is modeless: each "Find Next" raises
// OnFind, and the dialog stays open until the user closes it.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vantorel::browser {

class FindDialog : public QDialog {
 public:
  explicit FindDialog(QWidget* parent = nullptr);
  FindDialog(const FindDialog&) = delete;
  FindDialog& operator=(const FindDialog&) = delete;

  // The find text, code page 1252.
  std::string FindText() const;
  void SetFindText(const std::string& text);
  bool MatchCase() const;

  // Raised by "Find Next" (and Enter) while the find text is not empty.
  std::function<void()> OnFind;

  QLineEdit* FindEdit;      // the find text
  QCheckBox* MatchCaseBox;  // "Match case"
  QPushButton* FindNextBtn;
  QPushButton* CancelBtn;   // closes the dialog
};

}  // namespace vantorel::browser
