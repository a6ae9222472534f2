// One catalogue read by two processes at once through its SemaphoreFile, and catalogues in a
// folder that cannot be written.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <vector>

#include "catalogue_fixture_helpers.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::testing {
namespace {

// The catalogue opens an index on the keyword table only, so that table has the SemaphoreFile.
class SharedCatalogueTest : public CatalogueTest {
 protected:
  std::filesystem::path Semaphore() const { return dir_.path() / "keyword.@s@"; }

  // Byte 0 of the SemaphoreFile: the users that have the table open; -1 without the file.
  int Users() const {
    if (!std::filesystem::exists(Semaphore())) return -1;
    const std::string record = TempDir::Read(Semaphore());
    return record.empty() ? -1 : static_cast<unsigned char>(record[0]);
  }
};

// A child process: opens its own catalogue, writes "o" (or "e" after an error) to report, waits
// for a byte on wait_fd, closes the catalogue and ends.
[[noreturn]] void RunSecondUser(const std::string& data_dir, int report_fd, int wait_fd) {
  char answer = 'o';
  try {
    auto catalogue = std::make_unique<catalogue::Catalogue>(data_dir);
    catalogue->SetRaiseEngineErrors(true);
    catalogue->Open();
    if (catalogue->KeywordItems().Count() != 6) answer = 'e';
    (void)!::write(report_fd, &answer, 1);
    (void)!::read(wait_fd, &answer, 1);
    catalogue.reset();
  } catch (...) {
    answer = 'e';
    (void)!::write(report_fd, &answer, 1);
    ::_exit(1);
  }
  ::_exit(0);
}

TEST_F(SharedCatalogueTest, TwoProcessesCountInTheSemaphoreFileAndTheLastOneRemovesIt) {
  WriteSampleCatalogue();
  OpenCatalogue();  // builds the indexes and keywords.lst once
  catalogue_.reset();
  ASSERT_EQ(Users(), -1);

  int to_parent[2];
  int to_child[2];
  ASSERT_EQ(::pipe(to_parent), 0);
  ASSERT_EQ(::pipe(to_child), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) RunSecondUser(DataDir(), to_parent[1], to_child[0]);

  char report = 0;
  ASSERT_EQ(::read(to_parent[0], &report, 1), 1);
  EXPECT_EQ(report, 'o');
  EXPECT_EQ(Users(), 1);

  OpenCatalogue();
  EXPECT_EQ(Users(), 2);
  EXPECT_EQ(catalogue_->KeywordItems().Count(), 6u);

  ASSERT_EQ(::write(to_child[1], "c", 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Users(), 1);

  catalogue_.reset();
  EXPECT_EQ(Users(), -1);
  for (int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) ::close(fd);
}

#ifdef VANTOREL_SEARCH_TOOL

struct ToolRun {
  int status;  // -1 when the program did not exit normally
  std::string out, err;
};

// Runs vantorel-search with arguments (each quoted) and environment ("NAME=value ..."
// before the program). unprivileged: as the user "nobody" when the test runs as root (root
// writes through permission bits).
ToolRun RunSearch(const std::vector<std::string>& arguments, const TempDir& output,
                  bool unprivileged, const std::string& environment = {}) {
  std::string command;
  if (unprivileged && ::geteuid() == 0) command = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  command += "env " + environment + " '" + VANTOREL_SEARCH_TOOL + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >'" + output.path().string() + "/out' 2>'" + output.path().string() + "/err'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TempDir::Read(output.path() / "out"),
          TempDir::Read(output.path() / "err")};
}

ToolRun RunSearch(const std::string& data_dir, const std::string& text, const TempDir& output,
                  bool unprivileged) {
  return RunSearch({data_dir, text}, output, unprivileged);
}

TEST_F(SharedCatalogueTest, SearchToolIsASecondUserThatLogsOutAgain) {
  WriteSampleCatalogue();
  OpenCatalogue();
  ASSERT_EQ(Users(), 1);
  TempDir output;
  const ToolRun run = RunSearch(DataDir(), "nothing", output, false);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(Users(), 1);
  catalogue_.reset();
  EXPECT_EQ(Users(), -1);
}

// A catalogue whose index builds take a while: 40,000 keywords.
void WriteLargeCatalogue(TempDir& dir) {
  std::vector<KeywordRow> keywords;
  for (int i = 0; i < 40000; ++i)
    keywords.push_back({1 + i % 400, i % 1000 == 0 ? "memory" : "word " + std::to_string(i % 5000)});
  std::vector<ArticleRow> articles = SampleArticles();
  for (int id = 1000; id < 1400; ++id) articles.push_back({id, "Article", "", "Title", 1, 0, 0, 1 + id % 50, ""});
  dir.Write("article.dbf", ArticleTable(articles).table);
  dir.Write("article.dbt", ArticleTable(articles).memo);
  dir.Write("author.dbf", AuthorTable(SampleAuthors()));
  dir.Write("keyword.dbf", KeywordTable(keywords));
}

// Starts vantorel-search on the catalogue with its output in out and err (files).
pid_t StartSearch(const std::string& data_dir, const std::string& text, const std::string& out,
                  const std::string& err) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) ::_exit(120);
    ::execl(VANTOREL_SEARCH_TOOL, VANTOREL_SEARCH_TOOL, data_dir.c_str(), text.c_str(), nullptr);
    ::_exit(121);
  }
  return child;
}

// The exit status of a child; -1 when it did not exit normally.
int ExitStatus(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The parts of files being written that lie in folder.
std::vector<std::string> PartsLeft(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".~part") != std::string::npos) names.push_back(name);
  }
  return names;
}

TEST_F(SharedCatalogueTest, SearchesStartedTogetherOnACatalogueWithoutIndexesAllSucceed) {
  WriteLargeCatalogue(dir_);
  TempDir output;
  const ToolRun reference = RunSearch(DataDir(), "memory", output, false);
  ASSERT_EQ(reference.status, 0) << reference.err;
  const std::string page = Read("SEARCHRESULT.HTM");
  std::map<std::string, std::string> indexes;
  for (const char* index : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx", "keywords.lst"})
    indexes[index] = Read(index);

  constexpr int kSearches = 4;
  // Each round starts the copies a little apart, so that the later ones find the first one's
  // builds under way.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const auto& [name, bytes] : indexes) std::filesystem::remove(dir_.path() / name);
    std::filesystem::remove(dir_.path() / "SEARCHRESULT.HTM");
    std::vector<pid_t> children;
    for (int i = 0; i < kSearches; ++i) {
      const std::string base = (output.path() / std::to_string(i)).string();
      children.push_back(StartSearch(DataDir(), "memory", base + ".out", base + ".err"));
      ::usleep(static_cast<useconds_t>(round * 15000));
    }
    for (int i = 0; i < kSearches; ++i) {
      const std::string base = std::to_string(i);
      EXPECT_EQ(ExitStatus(children[i]), 0) << TempDir::Read(output.path() / (base + ".err"));
      EXPECT_EQ(TempDir::Read(output.path() / (base + ".out")), DataDir() + "SEARCHRESULT.HTM\n");
    }
    EXPECT_EQ(Read("SEARCHRESULT.HTM"), page);
    for (const auto& [name, bytes] : indexes) EXPECT_EQ(Read(name), bytes) << name;
    EXPECT_EQ(PartsLeft(dir_.path()), std::vector<std::string>{});
    EXPECT_EQ(Users(), -1);
  }
}

TEST_F(SharedCatalogueTest, SearchKilledWhileItBuildsLeavesACatalogueTheNextSearchUses) {
  WriteLargeCatalogue(dir_);
  TempDir output;
  ASSERT_EQ(RunSearch(DataDir(), "memory", output, false).status, 0);
  const std::string page = Read("SEARCHRESULT.HTM");
  const std::string out = (output.path() / "killed.out").string();
  const std::string err = (output.path() / "killed.err").string();
  for (const int delay_ms : {2, 5, 10, 20, 40, 80, 160}) {
    SCOPED_TRACE("killed after " + std::to_string(delay_ms) + " ms");
    for (const char* name : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx", "keywords.lst"})
      std::filesystem::remove(dir_.path() / name);
    const pid_t child = StartSearch(DataDir(), "memory", out, err);
    ::usleep(static_cast<useconds_t>(delay_ms * 1000));
    ::kill(child, SIGKILL);
    ExitStatus(child);
    const ToolRun next = RunSearch(DataDir(), "memory", output, false);
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(Read("SEARCHRESULT.HTM"), page);
    EXPECT_EQ(PartsLeft(dir_.path()), std::vector<std::string>{});
  }
}

// What a tree holds: each entry's bytes (none for a folder) and modification time, the
// top folder's own time under "".
struct FileState {
  std::string bytes;
  std::filesystem::file_time_type time;
  bool operator==(const FileState&) const = default;
};
std::map<std::string, FileState> TreeState(const std::filesystem::path& folder) {
  std::map<std::string, FileState> state;
  state[""] = {{}, std::filesystem::last_write_time(folder)};
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().lexically_relative(folder).string();
    state[name] = {entry.is_directory() ? std::string() : TempDir::Read(entry.path()),
                   entry.last_write_time()};
  }
  return state;
}

// Makes the catalogue's folder and files unwritable for the search tool's user, and writable
// again at the end. The folders above it must let that user through.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(const std::filesystem::path& folder) : folder_(folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) ::chmod(entry.path().c_str(), 0444);
    ::chmod(folder_.c_str(), 0555);
  }
  ~ReadOnlyFolder() {
    ::chmod(folder_.c_str(), 0755);
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) ::chmod(entry.path().c_str(), 0644);
  }

 private:
  std::filesystem::path folder_;
};

constexpr std::time_t kTableTime = 1700000000;

// A read-only archive searched by the article and the bonus search: everything written goes
// to the archive's folder in the cache home, and the archive is left as it was.
class ReadOnlyCatalogueTest : public SharedCatalogueTest {
 protected:
  void SetUp() override {
    if (::geteuid() == 0 && std::system("command -v setpriv >/dev/null") != 0)
      GTEST_SKIP() << "running as root without setpriv: no user to whom the folder is read-only";
    ::chmod(dir_.path().c_str(), 0755);
    ::chmod(cache_.path().c_str(), 0777);
    WriteSampleCatalogue();
    dir_.Write("files.dbf", FilesTable({{"1", "EXTRAS/X001.HTM", "First"}, {"2", "EXTRAS/X002.HTM", "Second"}}));
    dir_.Write("words.dbf", WordsTable({{"1", "HEAP"}, {"2", "MEMORY"}, {"1", "MEMORY"}}));
    for (const char* table : {"article.dbf", "author.dbf", "keyword.dbf"}) SetFileTime(dir_ / table, kTableTime);
  }

  // A run of the tool as the unprivileged user on the read-only archive.
  ToolRun RunReadOnly(const std::vector<std::string>& arguments) {
    const ReadOnlyFolder read_only(dir_.path());
    return RunSearch(arguments, output_, true, "XDG_CACHE_HOME='" + cache_.path().string() + "'");
  }

  // The archive's folder in the cache home, as the program names it.
  std::filesystem::path ArchiveCache() const {
    for (const auto& entry : std::filesystem::directory_iterator(cache_.path() / "vantorel"))
      return entry.path();
    return {};
  }

  TempDir cache_;
  TempDir output_;
};

TEST_F(ReadOnlyCatalogueTest, BothSearchesWriteIntoTheCacheAndLeaveTheArchiveAsItWas) {
  const auto before = TreeState(dir_.path());
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> pages;  // written, the first one printed
  };
  const Case cases[] = {
      {"article search", {DataDir(), "memory"}, {"SEARCHRESULT.HTM"}},
      {"complete list", {"--yes", DataDir(), "*!*"}, {"ALLARTS.HTM", "AADETAIL.HTM"}},
      {"bonus search", {"--bonus", DataDir(), "memory"}, {"SEARCHRESULT.HTM"}},
  };
  std::map<std::string, std::string> read_only_pages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = RunReadOnly(c.arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::filesystem::path cache = ArchiveCache();
    ASSERT_FALSE(cache.empty());
    EXPECT_EQ(run.out, (cache / c.pages.front()).string() + "\n");
    for (const std::string& page : c.pages) read_only_pages[c.name + page] = TempDir::Read(cache / page);
    EXPECT_TRUE(TreeState(dir_.path()) == before);
  }
  // The archive folder's name with "_" for its blanks (cut to 40 bytes), then the hash.
  EXPECT_TRUE(ArchiveCache().filename().string().starts_with(
      "vantorel-test_\xD0\x9C\xD0\xBE\xD0\xB9_\xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2_"))
      << ArchiveCache();
  for (const char* file : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx", "keywords.lst"})
    EXPECT_TRUE(std::filesystem::exists(ArchiveCache() / file)) << file;
  for (const char* file : {"keyword.@s@", "article.@s@"})
    EXPECT_FALSE(std::filesystem::exists(ArchiveCache() / file)) << file;

  // The same searches on the archive made writable write the same pages into it.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = RunSearch(c.arguments, output_, false, "XDG_CACHE_HOME='" + cache_.path().string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, DataDir() + c.pages.front() + "\n");
    for (const std::string& page : c.pages) EXPECT_EQ(Read(page), read_only_pages[c.name + page]) << page;
  }
}

TEST_F(ReadOnlyCatalogueTest, IndexesInTheCacheAreRebuiltWhenStaleAgainstTheArchive) {
  ASSERT_EQ(RunReadOnly({DataDir(), "memory"}).status, 0);
  const std::filesystem::path kwaid = ArchiveCache() / "kwaid.ndx";
  const std::string index = TempDir::Read(kwaid);

  SetFileTime(kwaid.string(), kTableTime + 60);  // fresh: used as it is
  ASSERT_EQ(RunReadOnly({DataDir(), "memory"}).status, 0);
  EXPECT_EQ(std::filesystem::last_write_time(kwaid),
            std::filesystem::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(kTableTime + 60)));

  std::filesystem::resize_file(kwaid, 512);
  SetFileTime(kwaid.string(), kTableTime - 60);  // stale against keyword.dbf: built again
  const ToolRun run = RunReadOnly({DataDir(), "heap"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(TempDir::Read(kwaid), index);
  EXPECT_NE(TempDir::Read(ArchiveCache() / "SEARCHRESULT.HTM").find("Heap"), std::string::npos);
}

TEST_F(ReadOnlyCatalogueTest, ACacheThatCannotBeWrittenGivesTheEnginesErrorAndWritesNothing) {
  ::chmod(cache_.path().c_str(), 0555);
  const auto before = TreeState(dir_.path());
  const ToolRun run = RunReadOnly({DataDir(), "memory"});
  ::chmod(cache_.path().c_str(), 0777);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("/kwaid.ndx"), std::string::npos) << run.err;
  EXPECT_TRUE(TreeState(dir_.path()) == before);
}

#endif  // VANTOREL_SEARCH_TOOL

}  // namespace
}  // namespace vantorel::testing
