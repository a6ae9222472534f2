// The set-up of tests that make the program's main window: a program folder, the small
// archive, a configuration folder, no CD-ROM drive and no programs on the desktop; the sample
// catalogue and bonus tables written into the archive on request, and searches run through
// their dialogs.
#pragma once

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "archive_fixture.h"
#include "catalogue_fixture_helpers.h"
#include "fixed_associations.h"
#include "platform/cd_drive.h"
#include "qt_application.h"
#include "temp_dir.h"

namespace vantorel::app {

class ProgramWindowTest : public ::testing::Test {
 protected:
  ProgramWindowTest() : no_cd_(dir_.Write("mounts", ""), dir_.path() / "fstab") {
    testing::TestApplication();
    previous_mounts_ = platform::SetMountTable(&no_cd_);
    program_ = dir_.Write("bin/vantorel", "");
    archive_ = WriteSmallArchive(dir_, "archive");
    config_ = dir_.path() / "config";
  }
  ~ProgramWindowTest() override { platform::SetMountTable(previous_mounts_); }

  // The article catalogue of the catalogue tests' sample records in the archive.
  void WriteSampleCatalogue() const {
    const testing::ArticleFiles articles = testing::ArticleTable(testing::SampleArticles());
    dir_.Write("archive/article.dbf", articles.table);
    dir_.Write("archive/article.dbt", articles.memo);
    dir_.Write("archive/author.dbf", testing::AuthorTable(testing::SampleAuthors()));
    dir_.Write("archive/keyword.dbf", testing::KeywordTable(testing::SampleKeywords()));
  }
  // Bonus tables listing one page, EXTRAS/X001.HTM, under the word HEAP.
  void WriteBonusCatalogue() const {
    dir_.Write("archive/files.dbf", testing::FilesTable({{"1", "EXTRAS/X001.HTM", "Heap notes"}}));
    dir_.Write("archive/words.dbf", testing::WordsTable({{"1", "HEAP"}}));
    dir_.Write("archive/EXTRAS/X001.HTM",
               "<HTML><HEAD><TITLE>Heap notes</TITLE></HEAD><BODY><P>Notes on the heap.</BODY></HTML>");
  }

  // Triggers command, which shows the search dialog modally, and there searches for words.
  template <typename SearchDialog>
  static void SearchThroughDialog(SearchDialog& dialog, QAction* command, const QString& words) {
    QTimer::singleShot(0, [&dialog, words] {
      if (QApplication::activeModalWidget() != &dialog) return;
      dialog.SearchWords->setText(words);
      dialog.AnOkBtn->click();
    });
    command->trigger();
  }

  testing::TempDir dir_;
  platform::MountTableFiles no_cd_;
  const platform::MountTable* previous_mounts_ = nullptr;
  FixedAssociations no_programs_;
  std::filesystem::path program_, config_;
  std::string archive_;
};

}  // namespace vantorel::app
