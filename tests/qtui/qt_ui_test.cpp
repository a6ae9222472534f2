#include "qtui/qt_ui.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "qt_application.h"
#include "qtui/application_title.h"
#include "temp_dir.h"

namespace vantorel::qtui {
namespace {

using testing::TestApplication;

using core::Answer;
using core::BoxKind;
using core::Buttons;

// What the box looked like when it came up.
struct SeenBox {
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
};

// Shows the box through the Qt Ui and, once it is up, records it and presses the button with
// the given text (or closes it with Escape when the text is empty).
Answer ShowAndPress(QtUi& ui, const core::MessageBox& box, const QString& press, SeenBox& seen) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no box came up";
      return;
    }
    seen = {dialog->windowTitle(), dialog->text(), dialog->icon(), {}};
    for (QAbstractButton* button : dialog->buttons()) {
      seen.buttons << button->text().remove(QLatin1Char('&'));
      if (!press.isEmpty() && button->text().remove(QLatin1Char('&')) == press) button->click();
    }
    if (press.isEmpty()) dialog->reject();
  });
  return ui.Show(box);
}

TEST(QtUi, ShowsBoxesWithTheirIconsButtonsAndLineBreaks) {
  TestApplication();
  QtUi ui;
  SetApplicationTitle(kProgramTitle);
  struct Case {
    core::MessageBox box;
    QString press;
    Answer answer;
    QMessageBox::Icon icon;
    QString caption;
  };
  const Case cases[] = {
      {{BoxKind::Information, "", "Command to execute: \r/usr/bin/evince", Buttons::Ok}, "OK",
       Answer::Ok, QMessageBox::Information, kProgramTitle},
      {{BoxKind::Warning, "", "Unable to install?", Buttons::YesNo}, "No", Answer::No,
       QMessageBox::Warning, kProgramTitle},
      {{BoxKind::Warning, "", "Unable to install?", Buttons::YesNo}, "Yes", Answer::Yes,
       QMessageBox::Warning, kProgramTitle},
      {{BoxKind::Error, "Oops", "Unable to find file: a\r\nb", Buttons::Ok}, "", Answer::Ok,
       QMessageBox::Critical, "Oops"},
      {{BoxKind::Confirmation, "", "Insert\rthe disc", Buttons::OkCancel}, "OK", Answer::Ok,
       QMessageBox::Question, kProgramTitle},
      {{BoxKind::Confirmation, "", "Insert\rthe disc", Buttons::OkCancel}, "", Answer::Cancel,
       QMessageBox::Question, kProgramTitle},
      {{BoxKind::Confirmation, "", "Sure?", Buttons::YesNo}, "", Answer::No,
       QMessageBox::Question, kProgramTitle},
  };
  for (const Case& c : cases) {
    SeenBox seen;
    EXPECT_EQ(ShowAndPress(ui, c.box, c.press, seen), c.answer) << c.box.text;
    EXPECT_EQ(seen.icon, c.icon) << c.box.text;
    EXPECT_EQ(seen.caption, c.caption) << c.box.text;
    EXPECT_EQ(seen.text, QString::fromStdString(c.box.text)
                             .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                             .replace(QLatin1Char('\r'), QLatin1Char('\n')));
  }
  SetApplicationTitle(kStartingTitle);
}

// What the folder dialog looked like when it came up.
struct SeenFolderDialog {
  QString title, folder;
  bool folders_only = false;
};

// Asks the Qt Ui for a folder and, once the dialog is up, records it and chooses the folder
// pick there (or cancels the dialog when pick is empty).
std::optional<std::string> AskAndPick(QtUi& ui, const core::FolderRequest& request,
                                      const QString& pick, SeenFolderDialog& seen) {
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no folder dialog came up";
      return;
    }
    seen = {dialog->windowTitle(), dialog->directory().absolutePath(),
            dialog->fileMode() == QFileDialog::Directory &&
                dialog->testOption(QFileDialog::ShowDirsOnly)};
    if (pick.isEmpty()) {
      dialog->reject();
      return;
    }
    dialog->setDirectory(pick);
    static_cast<QDialog*>(dialog)->accept();  // what the Choose button does
  });
  return ui.AskForFolder(request);
}

// Paths cross the Qt border as UTF-8, whatever their script; a title in code page 1252 is still
// shown with its letters.
TEST(QtUi, AsksForAFolderInUtf8) {
  TestApplication();
  QtUi ui;
  testing::TempDir dir;
  const std::string start = dir.path().string() + "/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2";
  const std::string inner = start + "/\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC";
  std::filesystem::create_directories(inner);
  const QString start_shown = QString::fromUtf8(start.c_str());

  SeenFolderDialog seen;
  EXPECT_EQ(AskAndPick(ui, {"Dossiers \x93PDF\x94", start}, QString::fromUtf8(inner.c_str()), seen),
            inner);
  EXPECT_EQ(seen.title, QString::fromUtf8("Dossiers “PDF”"));
  EXPECT_EQ(seen.folder, start_shown);
  EXPECT_TRUE(seen.folders_only);

  EXPECT_EQ(AskAndPick(ui, {"Select Destination Directory", start}, QString(), seen),
            std::nullopt);
  EXPECT_EQ(seen.title, QStringLiteral("Select Destination Directory"));
}

TEST(QtUi, AsksForAPasswordWithoutShowingIt) {
  TestApplication();
  QtUi ui;
  const core::PasswordRequest request{"/home/r\xc3\xa9" "ader/Disk 1.zip", "SRC\\Caf\xc3\xa9.PAS"};
  for (const QString& typed : {QString::fromUtf8("p\u00e4ss w\u00f6rd"), QString()}) {
    QString label;
    bool hidden = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        ADD_FAILURE() << "no password dialog came up";
        return;
      }
      label = dialog->labelText();
      hidden = dialog->textEchoMode() == QLineEdit::Password;
      if (typed.isEmpty()) {
        dialog->reject();
        return;
      }
      dialog->setTextValue(typed);
      dialog->accept();
    });
    const std::optional<std::string> answer = ui.AskForPassword(request);
    if (typed.isEmpty())
      EXPECT_EQ(answer, std::nullopt);
    else
      EXPECT_EQ(answer, typed.toStdString());
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(label.contains(QString::fromUtf8("/home/r\u00e9ader/Disk 1.zip"))) << label.toStdString();
    EXPECT_TRUE(label.contains(QString::fromUtf8("SRC\\Caf\u00e9.PAS"))) << label.toStdString();
  }
}

TEST(QtUi, ShowsUtf8TextsAndOlderCodePage1252Texts) {
  EXPECT_EQ(BoxText("Caf\xe9\rna\xefve"), QString::fromUtf8("Café\nnaïve"));
  EXPECT_EQ(BoxText("Unable to find file: /tmp/\xE6\x9D\xB1\xE4\xBA\xAC/A.PDF"),
            QString::fromUtf8("Unable to find file: /tmp/東京/A.PDF"));
}

TEST(QtUi, TurnsFiltersIntoQtFilters) {
  EXPECT_EQ(QtFileFilter("Program files|*.exe"), QStringLiteral("Program files (*.exe)"));
  EXPECT_EQ(QtFileFilter("html files|*.htm;*.html|all files|*.*"),
            QStringLiteral("html files (*.htm *.html);;all files (*.*)"));
  EXPECT_EQ(QtFileFilter(""), QString());
}

TEST(QtUi, NestsTheHourglass) {
  TestApplication();
  QtUi ui;
  ui.SetBusy(true);
  ui.SetBusy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  ui.SetBusy(false);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  ui.SetBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ui.SetBusy(false);  // one too many does no harm
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtUi, SendsProgressTextsToTheCurrentTarget) {
  TestApplication();
  QtUi ui;
  ui.ShowProgress("nowhere");
  QLabel label;
  ui.SetProgressTarget([&](const QString& text) { label.setText(text); });
  ui.ShowProgress("Indexing keywords\xe9");
  EXPECT_EQ(label.text(), QString::fromUtf8("Indexing keywordsé"));
  EXPECT_TRUE(static_cast<bool>(ui.SetProgressTarget({})));
}

}  // namespace
}  // namespace vantorel::qtui
