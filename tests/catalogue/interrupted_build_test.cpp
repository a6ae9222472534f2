// A start cut short while it builds the indexes, keywords.lst or a result page: the next start
// finds a usable catalogue and searches as after an undisturbed build, every time. The cut is
// made in a child process that ends abruptly (as a kill does) at one progress report after
// another, so every phase of every build is cut once.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/article_search.h"
#include "catalogue/result_pages.h"
#include "catalogue_fixture_helpers.h"
#include "core/settings.h"
#include "core/ui.h"

namespace vantorel::testing {
namespace {

constexpr int kCutShort = 3;        // the child's exit status when it was cut short
constexpr int kUnexpectedBox = 4;   // the child met a message box
constexpr std::time_t kOldTime = 1600000000;

const char* const kDerivedFiles[] = {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx",
                                     "keywords.lst", "SEARCHRESULT.HTM"};

// The Ui of the child: it ends the process without any clean-up at its cut_at-th progress
// report (before each index build, every 5% of it, after it, and before each article of the
// page).
class CuttingUi : public core::Ui {
 public:
  explicit CuttingUi(int cut_at) : cut_at_(cut_at) {}
  core::Answer Show(const core::MessageBox&) override { ::_exit(kUnexpectedBox); }
  std::optional<std::string> AskForFile(const core::FileRequest&) override { return {}; }
  std::optional<std::string> AskForFolder(const core::FolderRequest&) override { return {}; }
  std::optional<std::string> AskForPassword(const core::PasswordRequest&) override { return {}; }
  void ShowProgress(const std::string&) override {
    if (++calls_ == cut_at_) ::_exit(kCutShort);
  }
  void SetBusy(bool) override {}

 private:
  int cut_at_;     // the report that ends the process
  int calls_ = 0;  // reports so far
};

// A catalogue large enough for two levels of index pages: 120 articles over 40 issues, 600
// keywords of 300 texts in two letter cases.
std::vector<ArticleRow> ManyArticles() {
  std::vector<ArticleRow> rows;
  for (int id = 1; id <= 120; ++id)
    rows.push_back({id, id % 3 == 0 ? "Review" : "Article", "", "Title " + std::to_string(id),
                    1 + id % 4, 0, 0, 1 + id % 40, "Summary of " + std::to_string(id) + "\r\n"});
  return rows;
}
std::vector<KeywordRow> ManyKeywords() {
  std::vector<KeywordRow> rows;
  for (int i = 0; i < 600; ++i) {
    std::string word = "keyword " + std::to_string(i * 7 % 300);
    if (i % 2 == 1) word[0] = 'K';
    if (i % 97 == 0) word = "memory";
    rows.push_back({1 + i % 120, word});
  }
  return rows;
}

// Each start writes its files through to the disk; in memory the many starts stay quick.
class InterruptedBuildTest : public CatalogueTest {
 protected:
  InterruptedBuildTest() : CatalogueTest(MemoryTempParent()) {}

  void SetUp() override {
    settings_.DataDir = DataDir();
    settings_.PdfDir = DataDir() + "PDF/";
    settings_.SourceDir = DataDir() + "DISKS/";
    settings_.LastIssue = 72;
    settings_.ResultsThreshold = 1000;
  }

  core::BrowserSettings settings_;  // the record the searches and pages read

  // Opens the catalogue and searches for "memory" in this process.
  void OpenAndSearch() {
    OpenCatalogue();
    catalogue::ResultPages pages(*catalogue_, settings_);
    catalogue::ArticleSearch search(*catalogue_, pages, settings_);
    ASSERT_EQ(search.OkBtnClick({"memory", catalogue::MatchMode::AnyWord, {}, {}}),
              catalogue::SearchEnd::PageWritten);
  }

  // The derived files as they are now (missing ones absent).
  std::map<std::string, std::string> DerivedFiles() const {
    std::map<std::string, std::string> files;
    for (const char* name : kDerivedFiles)
      if (std::filesystem::exists(dir_.path() / name)) files[name] = Read(name);
    return files;
  }

  // Files in the folder that are neither tables nor derived files: parts left behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      const std::string name = entry.path().filename().string();
      if (name.find(".~part") != std::string::npos) names.push_back(name);
    }
    return names;
  }

  // Runs the start and the search in a child process cut short at progress report cut_at;
  // true when it was cut, false when it ended before that report.
  bool RunCutShort(int cut_at) {
    const pid_t child = ::fork();
    if (child == 0) {
      CuttingUi ui(cut_at);
      core::SetUi(&ui);
      try {
        auto catalogue = std::make_unique<catalogue::Catalogue>(DataDir());
        catalogue->SetRaiseEngineErrors(true);
        catalogue->Open();
        catalogue::ResultPages pages(*catalogue, settings_);
        catalogue::ArticleSearch search(*catalogue, pages, settings_);
        search.OkBtnClick({"memory", catalogue::MatchMode::AnyWord, {}, {}});
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    const int code = WEXITSTATUS(status);
    EXPECT_TRUE(code == 0 || code == kCutShort) << "child ended with " << code;
    return code == kCutShort;
  }
};

TEST_F(InterruptedBuildTest, EveryCutLeavesACatalogueThatSearchesAsAnUndisturbedOne) {
  // The derived files of another catalogue, older than this one's tables: the stale files a
  // rebuild replaces.
  std::map<std::string, std::string> other;
  {
    WriteSampleCatalogue();
    OpenAndSearch();
    catalogue_.reset();
    other = DerivedFiles();
  }
  WriteCatalogue(ManyArticles(), SampleAuthors(), ManyKeywords());
  for (const char* name : kDerivedFiles) std::filesystem::remove(dir_.path() / name);
  OpenAndSearch();
  const std::vector<std::string> keyword_items = catalogue_->KeywordItems().Items();
  catalogue_.reset();
  const std::map<std::string, std::string> undisturbed = DerivedFiles();
  ASSERT_EQ(undisturbed.size(), std::size(kDerivedFiles));

  struct Start {
    const char* name;
    bool stale_files;  // the other catalogue's files are there, older than the tables
    int step;          // every step-th report is a cut
  };
  for (const Start start : {Start{"no indexes", false, 1}, Start{"stale indexes", true, 4}}) {
    int cuts = 0;
    for (int cut_at = 1;; cut_at += start.step) {
      SCOPED_TRACE(std::string(start.name) + ", cut at report " + std::to_string(cut_at));
      for (const char* name : kDerivedFiles) {
        std::filesystem::remove(dir_.path() / name);
        if (!start.stale_files) continue;
        dir_.Write(name, other.at(name));
        SetFileTime(dir_ / name, kOldTime);
      }
      if (!RunCutShort(cut_at)) break;
      ++cuts;
      // Whatever the cut left under the files' names is complete: an old file or a new one.
      for (const auto& [name, bytes] : DerivedFiles()) {
        if (start.stale_files && bytes == other.at(name)) continue;
        EXPECT_EQ(bytes, undisturbed.at(name)) << name;
      }
      OpenAndSearch();
      EXPECT_EQ(catalogue_->KeywordItems().Items(), keyword_items);
      catalogue_.reset();
      EXPECT_EQ(DerivedFiles(), undisturbed);
      EXPECT_EQ(Leftovers(), std::vector<std::string>{});
      if (::testing::Test::HasFailure()) return;
    }
    // Four builds of 22 reports each, then one per article of the page.
    EXPECT_GT(cuts * start.step, 90) << start.name;
  }
}

// Index files that exist and are fresh but cannot be used are built again.
TEST_F(InterruptedBuildTest, IndexThatCannotBeOpenedIsBuiltAgain) {
  WriteSampleCatalogue();
  OpenAndSearch();
  catalogue_.reset();
  const std::map<std::string, std::string> good = DerivedFiles();
  const std::string kwkey = good.at("kwkey.ndx");
  std::string root_beyond = kwkey;
  root_beyond[0] = '\x40';  // root page 64 of a file of a few pages
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"header only", kwkey.substr(0, 512)},
      {"cut inside a node", kwkey.substr(0, kwkey.size() - 100)},
      {"root beyond the file", root_beyond},
      {"expression of another table", [&] {
         std::string other = kwkey;
         other.replace(24, 15, std::string("NOSUCHFIELD\0\0\0\0", 15));
         return other;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("kwkey.ndx", c.bytes);  // newer than the table
    OpenAndSearch();
    catalogue_.reset();
    EXPECT_EQ(DerivedFiles(), good);
  }
}

}  // namespace
}  // namespace vantorel::testing
