// The full-text query box "Full-Text Search": one line for the query, a line on what a query
// may hold (fulltext::kQuerySyntax), Search (the default button, off while the line is blank)
// and Cancel. The main window shows it for every full-text search and runs the search itself.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantorel::dialogs {

class FullTextForm : public QDialog {
  Q_OBJECT

 public:
  explicit FullTextForm(QWidget* parent = nullptr);

  // Shows the box modally with query (UTF-8) in the line, all of it selected; the line's
  // text with blanks trimmed at both ends on Search, nullopt on Cancel.
  std::optional<std::string> AskQuery(const std::string& query);

  // Controls, named by role.
  QLabel* QueryLabel;       // "Word(s) or phrase to search for in the full text"
  QLineEdit* QueryText;     // the query
  QLabel* SyntaxLabel;      // what a query may hold
  QPushButton* SearchBtn;   // "Search", the default button
  QPushButton* CancelBtn;   // "Cancel"
};

// The box over the active window, made for one question and destroyed after it.
std::optional<std::string> AskFullTextQuery(const std::string& query);

}  // namespace vantorel::dialogs
