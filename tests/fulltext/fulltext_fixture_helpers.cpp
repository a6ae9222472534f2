#include "fulltext_fixture_helpers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "catalogue_fixture_helpers.h"
#include "fulltext/fts_extensions.h"

extern char** environ;

namespace vantorel::testing {

namespace fs = std::filesystem;

namespace {

// Runs a program found on the search path with the arguments, quietly; true when it exits 0.
bool Run(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A JSON string of 1252 bytes, each byte as the code point of its value.
std::string JsonBytes(const std::string& bytes) {
  std::string json = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

std::string WithFileSuffix(const fs::path& file, const char* suffix) {
  return file.string() + suffix;
}

// The article PDFs of the archive, made once for all tests (the producers take a while).
const fs::path& ProducedPdfs() {
  static const TempDir folder;
  static const bool made = [] {
    const fs::path& pdfs = folder.path();
    bool ok = WriteDemoPdf(pdfs / "0009.PDF",
                           {{"Memory Managers in Pascal", "alpha memory manager introduction"},
                            {"compiling records quickly with a heap"},
                            {"J\xFCrgen M\xFCller wrote the zebra chapter"}});
    ok = WriteGhostscriptPdf(pdfs / "0010.PDF", {"The memory", "manager compiled the heap"}) && ok;
    if (HaveProgram("pdftocairo"))
      ok = WriteCairoPdf(pdfs / "0011.PDF", {{"Otters and Walruses", "a walrus colony report"},
                                             {"quokka sorting habits"},
                                             {"the last page of burrows"}}) &&
           ok;
    return WriteDemoPdf(pdfs / "T009.PDF", {{"quick tips about pointers"}}) && ok;
  }();
  EXPECT_TRUE(made) << "python3, ps2pdf or pdftocairo could not make the article PDFs";
  return folder.path();
}

}  // namespace

bool WriteDemoPdf(const fs::path& file, const std::vector<std::vector<std::string>>& pages) {
  std::string json = "[";
  for (const auto& page : pages) {
    json += json.size() > 1 ? ",[" : "[";
    for (std::size_t i = 0; i < page.size(); ++i) json += (i ? "," : "") + JsonBytes(page[i]);
    json += "]";
  }
  json += "]";
  const std::string pages_file = WithFileSuffix(file, ".json");
  {
    std::FILE* out = std::fopen(pages_file.c_str(), "wb");
    if (out == nullptr) return false;
    std::fwrite(json.data(), 1, json.size(), out);
    std::fclose(out);
  }
  const std::string script =
      "import json, sys\n"
      "sys.path.insert(0, sys.argv[1])\n"
      "import make_demo_archive as demo\n"
      "pages = json.load(open(sys.argv[2], encoding='utf-8'))\n"
      "data = demo.pdf_document([[line.encode('latin-1') for line in page] for page in pages])\n"
      "open(sys.argv[3], 'wb').write(data)\n";
  const bool written = Run({"python3", "-c", script, std::string(VANTOREL_SOURCE_DIR) + "/tools",
                            pages_file, file.string()});
  fs::remove(pages_file);
  return written;
}

bool WriteGhostscriptPdf(const fs::path& file, const std::vector<std::string>& pages) {
  std::string ps = "%!PS\n/Helvetica findfont 12 scalefont setfont\n";
  for (const std::string& page : pages) ps += "72 720 moveto (" + page + ") show showpage\n";
  const std::string ps_file = WithFileSuffix(file, ".ps");
  std::FILE* out = std::fopen(ps_file.c_str(), "wb");
  if (out == nullptr) return false;
  std::fwrite(ps.data(), 1, ps.size(), out);
  std::fclose(out);
  const bool written = Run({"ps2pdf", ps_file, file.string()});
  fs::remove(ps_file);
  return written;
}

bool WriteCairoPdf(const fs::path& file, const std::vector<std::vector<std::string>>& pages) {
  const fs::path source = WithFileSuffix(file, ".source.pdf");
  const bool written =
      WriteDemoPdf(source, pages) && Run({"pdftocairo", "-pdf", source.string(), file.string()});
  fs::remove(source);
  return written;
}

bool HaveProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  while (true) {
    const std::size_t colon = folders.find(':');
    const std::string folder(folders.substr(0, colon));
    if (!folder.empty() && ::access((folder + "/" + name).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    folders.remove_prefix(colon + 1);
  }
}

bool WritePythonZip(const fs::path& file,
                    const std::vector<std::pair<std::string, std::string>>& members) {
  std::vector<std::string> arguments{
      "python3", "-c",
      "import sys, zipfile\n"
      "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
      "    for i in range(2, len(sys.argv), 2): z.writestr(sys.argv[i], sys.argv[i + 1])\n",
      file.string()};
  for (const auto& [name, content] : members) {
    arguments.push_back(name);
    arguments.push_back(content);
  }
  return Run(arguments);
}

void WriteArchiveTables(const fs::path& data_dir, const std::string& title9) {
  std::vector<ArticleRow> articles = {
      {9, "Article", "MEMMGR", title9, 1, 2, 0, 12, {}},
      {10, "Review", "", "Review: Compiling Units", 4, 0, 0, 7, {}},
      {100, "Tip", "", "Quick Pointer Tip", 1, 0, 0, 9, {}},
      {101, "Tip", "", "Another Pointer Tip", 2, 0, 0, 9, {}},
  };
  std::vector<AuthorRow> authors = {{1, "Ann Smith"}, {2, "Bob Jones"}, {4, "J\x81rgen Wei\xE1"}};
  const ArticleFiles tables = ArticleTable(articles);
  const auto write = [&](const char* name, const std::string& bytes) {
    std::FILE* out = std::fopen((data_dir / name).c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
  };
  write("article.dbf", tables.table);
  write("article.dbt", tables.memo);
  write("author.dbf", AuthorTable(authors));
  write("files.dbf", FilesTable({{"4", "EXTRAS/X004.HTM", "A Bonus Page"}}));
}

void WriteFullTextArchive(const TempDir& dir, const std::string& relative) {
  const fs::path data = dir.path() / relative;
  fs::create_directories(data / "PDF");
  fs::create_directories(data / "DISKS" / "Issue12" / "MEMMGR");
  fs::create_directories(data / "DISKS" / "Issue02" / "LEGACY");
  fs::create_directories(data / "EXTRAS");
  WriteArchiveTables(data);
  for (const char* name : {"0009.PDF", "0010.PDF", "0011.PDF", "T009.PDF"})
    if (fs::exists(ProducedPdfs() / name))
      fs::copy_file(ProducedPdfs() / name, data / "PDF" / name);
  dir.Write(relative + "/DISKS/Issue12/MEMMGR/MEMMGR.PAS",
            "program MemMgr;\r\n{ allocates the heap with a freelist }\r\nif a < b then\r\n");
  dir.Write(relative + "/DISKS/Issue12/MEMMGR/NOTES", "notes: the freelist walkthrough\r\n");
  dir.Write(relative + "/DISKS/Issue12/MEMMGR/BLOB.DAT",
            std::string("\x01\x02\0\0freelist\0\x05", 15));
  dir.Write(relative + "/DISKS/Issue12/MEMMGR/HELLO.EXE", "MZ freelist program");
  dir.Write(relative + "/EXTRAS/X004.HTM",
            "<HTML><HEAD><TITLE>Bonus</TITLE><SCRIPT>var scriptword;</SCRIPT></HEAD>"
            "<BODY><P>A caf&eacute; for the <B>wombat</B>&amp;friends</P></BODY></HTML>");
  const fs::path fixtures = FixturesDir();
  if (!fixtures.empty())
    fs::copy_file(fixtures / "zip" / "corpus" / "L005.ZIP",
                  data / "DISKS" / "Issue02" / "LEGACY" / "L005.ZIP");
}

FullTextArchiveTest::FullTextArchiveTest() : data_(dir_.path() / "Архив data") {
  fs::create_directories(dir_.path() / "index");
  WriteFullTextArchive(dir_, "Архив data");
}

fulltext::ArchiveFolders FullTextArchiveTest::Folders() const {
  fulltext::ArchiveFolders folders;
  folders.data_dir = data_.string() + "/";
  folders.pdf_dir = folders.data_dir + "PDF/";
  folders.source_dir = folders.data_dir + "DISKS/";
  return folders;
}

fulltext::FullTextIndex& FullTextArchiveTest::UpdatedIndex() {
  if (!index_) index_ = std::make_unique<fulltext::FullTextIndex>(IndexFile(), Folders());
  index_->Update(index_->PlanUpdate());
  return *index_;
}

std::vector<std::string> FullTextArchiveTest::HitSet(std::string_view query) {
  std::vector<std::string> hits;
  for (const fulltext::Hit& hit : index_->Search(query, 1000).hits)
    hits.push_back(index_->ShownPath(hit.root, hit.path) +
                   (hit.member.empty() ? "" : ":" + hit.member) + "@" + std::to_string(hit.page));
  std::sort(hits.begin(), hits.end());
  return hits;
}

}  // namespace vantorel::testing
