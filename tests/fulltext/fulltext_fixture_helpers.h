// A small archive for the full-text tests, written by real producers: article PDFs by the demo
// generator's PDF writer (tools/make_demo_archive.py), by Ghostscript's ps2pdf and by cairo
// (poppler's pdftocairo; left out when pdftocairo is missing), catalogue
// tables by the tests' byte writers, companion-disk files, a legacy ZIP archive from the shared
// fixtures, and a bonus page.
//
//   PDF/0009.PDF   demo writer, article 9 (issue 12, Ann Smith and Bob Jones), three pages:
//                  1 "alpha memory manager introduction", 2 "sorting records quickly with a
//                  heap", 3 "Jürgen Müller wrote the zebra chapter"
//   PDF/0010.PDF   ps2pdf, article 10 (issue 7), two pages: 1 "The memory", 2 "manager sorted
//                  the heap"
//   PDF/0011.PDF   cairo, no catalogue record, three pages: 1 "Otters and Walruses", "a walrus
//                  colony report", 2 "quokka sorting habits", 3 "the last page of burrows"
//   PDF/T009.PDF   demo writer, tips 100 and 101 of issue 9: "quick tips about pointers"
//   DISKS/Issue12/MEMMGR/MEMMGR.PAS   "heap", "freelist", "if a < b then"
//   DISKS/Issue12/MEMMGR/NOTES        no extension, text: "freelist walkthrough"
//   DISKS/Issue12/MEMMGR/BLOB.DAT     binary content holding "freelist"
//   DISKS/Issue12/MEMMGR/HELLO.EXE    a program holding "freelist"
//   DISKS/Issue02/LEGACY/L005.ZIP     the shared fixture: "companion" only in its reduced member
//   EXTRAS/X004.HTM                   bonus page of files.dbf: "caf&eacute; wombat", a script
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fulltext/fulltext_index.h"
#include "temp_dir.h"

namespace vantorel::testing {

// A PDF of the given pages (each a list of lines in code page 1252) by the demo generator's
// writer. False when Python cannot run it.
bool WriteDemoPdf(const std::filesystem::path& file, const std::vector<std::vector<std::string>>& pages);

// A PDF of the given pages (each one line of ASCII text) by Ghostscript's ps2pdf. False when
// ps2pdf cannot run.
bool WriteGhostscriptPdf(const std::filesystem::path& file, const std::vector<std::string>& pages);

// A PDF of the given pages (as WriteDemoPdf) rewritten by cairo through poppler's pdftocairo:
// cairo's own fonts, text operators and object layout. False when it cannot run.
bool WriteCairoPdf(const std::filesystem::path& file,
                   const std::vector<std::vector<std::string>>& pages);

// True when a program of that name is on the search path.
bool HaveProgram(const std::string& name);

// A ZIP archive of the given (name, content) members by Python's zipfile, deflated.
bool WritePythonZip(const std::filesystem::path& file,
                    const std::vector<std::pair<std::string, std::string>>& members);

// The catalogue: article.dbf, author.dbf, files.dbf of the archive above; title9 is article 9's
// title.
void WriteArchiveTables(const std::filesystem::path& data_dir,
                        const std::string& title9 = "Memory Managers in Pascal");

// The archive above in dir/relative (tables, PDFs, companion disks, bonus page, the legacy ZIP).
void WriteFullTextArchive(const TempDir& dir, const std::string& relative);

class FullTextArchiveTest : public ::testing::Test {
 protected:
  FullTextArchiveTest();

  fulltext::ArchiveFolders Folders() const;
  std::filesystem::path IndexFile() const { return dir_.path() / "index" / "fulltext.db"; }
  // An index over the archive, brought up to date.
  fulltext::FullTextIndex& UpdatedIndex();

  // Each hit of the query as "shown path[:member]@page" (page 0 outside PDFs), sorted.
  std::vector<std::string> HitSet(std::string_view query);

  TempDir dir_;
  std::filesystem::path data_;  // the archive's data folder
  std::unique_ptr<fulltext::FullTextIndex> index_;
};

}  // namespace vantorel::testing
