#include "browser/find_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qtui/qt_text.h"

namespace vantorel::browser {

using qtui::FromQString;
using qtui::ToQString;

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Find"));
  setModal(false);

  auto* label = new QLabel(QStringLiteral("Fi&nd what:"));
  FindEdit = new QLineEdit;
  label->setBuddy(FindEdit);
  MatchCaseBox = new QCheckBox(QStringLiteral("Match &case"));
  FindNextBtn = new QPushButton(QStringLiteral("&Find Next"));
  FindNextBtn->setDefault(true);
  FindNextBtn->setEnabled(false);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"));

  auto* fields = new QVBoxLayout;
  auto* text_row = new QHBoxLayout;
  text_row->addWidget(label);
  text_row->addWidget(FindEdit, 1);
  fields->addLayout(text_row);
  fields->addWidget(MatchCaseBox);
  fields->addStretch(1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(FindNextBtn);
  buttons->addWidget(CancelBtn);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(FindEdit, &QLineEdit::textChanged, this,
          [this](const QString& text) { FindNextBtn->setEnabled(!text.isEmpty()); });
  connect(FindNextBtn, &QPushButton::clicked, this, [this] {
    if (OnFind && !FindEdit->text().isEmpty()) OnFind();
  });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::string FindDialog::FindText() const { return FromQString(FindEdit->text()); }

void FindDialog::SetFindText(const std::string& text) { FindEdit->setText(ToQString(text)); }

bool FindDialog::MatchCase() const { return MatchCaseBox->isChecked(); }

}  // namespace vantorel::browser
