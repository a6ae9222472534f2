#include "dialogs/full_text_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "fulltext/full_text_session.h"

namespace vantorel::dialogs {

namespace {

constexpr int kMinimumWidth = 460;

}  // namespace

FullTextForm::FullTextForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Full-Text Search"));
  QueryLabel = new QLabel(QStringLiteral("&Word(s) or phrase to search for in the full text"));
  QueryText = new QLineEdit;
  QueryLabel->setBuddy(QueryText);
  SyntaxLabel = new QLabel(QString::fromUtf8(fulltext::kQuerySyntax));
  SyntaxLabel->setWordWrap(true);
  SearchBtn = new QPushButton(QStringLiteral("&Search"));
  SearchBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(SearchBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(QueryLabel);
  layout->addWidget(QueryText);
  layout->addWidget(SyntaxLabel);
  layout->addLayout(buttons);
  setMinimumWidth(kMinimumWidth);

  const auto enable = [this] { SearchBtn->setEnabled(!QueryText->text().trimmed().isEmpty()); };
  connect(QueryText, &QLineEdit::textChanged, this, enable);
  connect(SearchBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  enable();
}

std::optional<std::string> FullTextForm::AskQuery(const std::string& query) {
  QueryText->setText(QString::fromStdString(query));
  QueryText->selectAll();
  QueryText->setFocus();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return QueryText->text().trimmed().toStdString();
}

std::optional<std::string> AskFullTextQuery(const std::string& query) {
  FullTextForm form(QApplication::activeWindow());
  return form.AskQuery(query);
}

}  // namespace vantorel::dialogs
