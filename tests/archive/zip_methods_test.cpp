// The compression methods beyond deflate and the two encryptions, on archives that real tools
// write in the test (7-Zip, Info-ZIP zip, Python's zipfile) or that the test builds around
// liblzma's and libzstd's own output. Every entry comes out byte for byte as 7-Zip (or Python)
// extracts it; wrong passwords, unknown methods and damaged data leave no file.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "archive/kv_unzip.h"
#include "core/ui.h"
#include "library_stream_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using testzip::ZipBuilder;

constexpr char kPassword[] = "Sesame 42";

// The first of names found on PATH, or empty.
std::string FindProgram(std::initializer_list<const char*> names) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  for (const char* name : names) {
    std::string_view rest = path;
    while (!rest.empty()) {
      const std::size_t colon = rest.find(':');
      const fs::path candidate = fs::path(rest.substr(0, colon)) / name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  return {};
}

std::string SevenZip() { return FindProgram({"7z", "7zz", "7za"}); }

// Runs a shell command in folder, its output kept out of the test's; true when it exits 0.
bool RunIn(const fs::path& folder, const std::string& command) {
  const std::string line = "cd '" + folder.string() + "' && " + command + " >/dev/null 2>&1";
  const int status = std::system(line.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Files that make every method show its range: text that compresses well; a block repeated at
// distances beyond 32 KiB and a long run of one byte (Deflate64's wider window and longer
// lengths); random bytes that do not compress; an empty and a tiny file in a folder.
std::map<std::string, std::string> SourceFiles() {
  std::mt19937 generator(7);
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string word;
    for (int n = 3 + static_cast<int>(generator() % 8); n > 0; --n)
      word += static_cast<char>('a' + generator() % 26);
    words.push_back(word);
  }
  std::string text;
  while (text.size() < 150000) text += words[generator() % words.size()] + (generator() % 13 ? " " : "\n");
  const std::string block = RandomBytes(20000, 1);
  const std::string far = block + RandomBytes(40000, 2) + block + std::string(100000, 'z') +
                          RandomBytes(35000, 3) + block;
  return {{"text.txt", text},
          {"far.bin", far},
          {"random.bin", RandomBytes(40000, 4)},
          {"empty.txt", ""},
          {"sub/small.txt", "hello, world\n"}};
}

void WriteSources(const fs::path& folder) {
  for (const auto& [name, content] : SourceFiles()) {
    fs::create_directories((folder / name).parent_path());
    FILE* file = std::fopen((folder / name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }
}

// Every regular file under folder, by its relative path, with its content.
std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& item : fs::recursive_directory_iterator(folder))
    if (item.is_regular_file())
      files[fs::relative(item.path(), folder).string()] = testing::TempDir::Read(item.path());
  return files;
}

// Where the data of the entry named name starts in the archive bytes (through its central
// record's local header offset), or npos.
std::size_t EntryDataAt(const std::string& bytes, const std::string& name) {
  const auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  const std::size_t central = bytes.find(std::string("PK\x01\x02", 4));
  if (central == std::string::npos) return std::string::npos;
  const std::size_t record = bytes.find(name, central);
  if (record == std::string::npos || record < 46) return std::string::npos;
  const std::size_t local = u16(record - 46 + 42) | u16(record - 46 + 44) << 16;
  return local + 30 + u16(local + 26) + u16(local + 28);
}

// An archive a real tool writes from the source files.
struct ToolCase {
  const char* name;
  const char* tool;       // "7z", "zip" or "python3"
  std::string command;    // run in the source folder; {7z} is 7-Zip, the archive is "A.ZIP"
  bool encrypted;         // made with kPassword
  std::uint16_t method;   // text.txt's method field in the archive
};

void PrintTo(const ToolCase& tool_case, std::ostream* os) { *os << tool_case.name; }

const std::string kFiles = "text.txt far.bin random.bin empty.txt sub";

// Python's zipfile writing every source file with one method.
std::string PythonZip(const char* method) {
  return std::string("python3 -c \"import zipfile; z = zipfile.ZipFile('A.ZIP', 'w', zipfile.") +
         method + "); [z.write(n) for n in ['text.txt', 'far.bin', 'random.bin', 'empty.txt', "
                  "'sub/small.txt']]; z.close()\"";
}

std::vector<ToolCase> ToolCases() {
  const std::string seven = "{7z} a -tzip ";
  const std::string password = std::string(" '-p") + kPassword + "'";
  return {
      {"SevenZipDeflate64", "7z", seven + "-mm=Deflate64 A.ZIP " + kFiles, false, 9},
      {"SevenZipBZip2", "7z", seven + "-mm=BZip2 A.ZIP " + kFiles, false, 12},
      {"SevenZipLzma", "7z", seven + "-mm=LZMA A.ZIP " + kFiles, false, 14},
      {"SevenZipZipCrypto", "7z", seven + "-mem=ZipCrypto" + password + " A.ZIP " + kFiles, true, 8},
      {"SevenZipAes256", "7z", seven + "-mem=AES256" + password + " A.ZIP " + kFiles, true, 99},
      {"SevenZipAes128BZip2", "7z",
       seven + "-mem=AES128 -mm=BZip2" + password + " A.ZIP " + kFiles, true, 99},
      {"InfoZipBzip2", "zip", "zip -q -r -Z bzip2 A.ZIP " + kFiles, false, 12},
      {"InfoZipPassword", "zip", std::string("zip -q -r -P '") + kPassword + "' A.ZIP " + kFiles,
       true, 8},
      {"PythonLzma", "python3", PythonZip("ZIP_LZMA"), false, 14},
      {"PythonBzip2", "python3", PythonZip("ZIP_BZIP2"), false, 12},
  };
}

// A reader set up as the extraction dialog sets it up, recording what it reports.
class Methods : public ::testing::Test {
 protected:
  Methods() {
    unzip_.SetReplaceReadOnly(true);
    unzip_.SetDoAll(true);
    unzip_.SetRecreateDirs(true);
    unzip_.SetRetainAttributes(true);
    unzip_.SetOverwriteMode(UZOverwriteMode::Always);
    unzip_.SetDestDir(dir_ / "out");
    unzip_.OnSkippingFile = [this](SkipReason reason, const std::string& fname, int) {
      skipped_.emplace_back(reason, fname.substr(fname.find_last_of("\\/") + 1));
    };
    unzip_.OnBadCRC = [this](std::uint32_t, std::uint32_t, int index) {
      bad_crc_.push_back(unzip_.EntryFileName(index));
    };
    unzip_.OnBadPassword = [this](int index) { bad_password_.push_back(unzip_.EntryFileName(index)); };
  }

  // Writes the source files and runs the case's tool on them (once per case and process: the
  // archive's bytes are kept for the case's other tests); the archive's path, or empty when the
  // tool is not installed.
  fs::path MakeArchive(const ToolCase& tool_case) {
    static std::map<std::string, std::string> made;
    if (const auto kept = made.find(tool_case.name); kept != made.end())
      return dir_.Write("src/A.ZIP", kept->second);
    const fs::path archive = RunTool(tool_case);
    if (!archive.empty()) made[tool_case.name] = testing::TempDir::Read(archive);
    return archive;
  }
  fs::path RunTool(const ToolCase& tool_case) {
    std::string command = tool_case.command;
    if (std::string(tool_case.tool) == "7z") {
      const std::string seven = SevenZip();
      if (seven.empty()) return {};
      command.replace(command.find("{7z}"), 4, "'" + seven + "'");
    } else if (FindProgram({tool_case.tool}).empty()) {
      return {};
    }
    const fs::path source = dir_.path() / "src";
    fs::create_directories(source);
    WriteSources(source);
    EXPECT_TRUE(RunIn(source, command)) << command;
    return source / "A.ZIP";
  }

  // What another tool extracts from archive: 7-Zip, or Python's zipfile when 7-Zip is missing.
  std::map<std::string, std::string> ReferenceExtraction(const fs::path& archive, bool encrypted) {
    const fs::path reference = dir_.path() / "reference";
    const std::string seven = SevenZip();
    if (!seven.empty()) {
      const std::string password = encrypted ? std::string(" '-p") + kPassword + "'" : "";
      EXPECT_TRUE(RunIn(dir_.path(), "'" + seven + "' x -y" + password + " '-o" +
                                         reference.string() + "' '" + archive.string() + "'"));
    } else {
      EXPECT_FALSE(encrypted) << "no 7-Zip to extract an encrypted archive";
      EXPECT_TRUE(RunIn(dir_.path(), "python3 -c \"import zipfile; zipfile.ZipFile('" +
                                         archive.string() + "').extractall('" +
                                         reference.string() + "')\""));
    }
    return FilesUnder(reference);
  }

  int Extract(const fs::path& archive) {
    unzip_.SetZipName(archive.string());
    unzip_.LoadDirectory();
    return unzip_.Extract();
  }
  std::map<std::string, std::string> Extracted() const { return FilesUnder(dir_.path() / "out"); }
  const ZipHeaderInfo* EntryNamed(const std::string& name) const {
    for (int i = 0; i < unzip_.EntryCount(); ++i)
      if (unzip_.EntryFileName(i) == name) return &unzip_.Entry(i);
    return nullptr;
  }

  testing::TempDir dir_;
  testing::ScriptedUi ui_;
  KvUnZip unzip_;
  std::vector<std::pair<SkipReason, std::string>> skipped_;
  std::vector<std::string> bad_crc_;
  std::vector<std::string> bad_password_;
};

class ToolArchives : public Methods, public ::testing::WithParamInterface<ToolCase> {};

TEST_P(ToolArchives, ExtractLikeAnotherTool) {
  const ToolCase& tool_case = GetParam();
  const fs::path archive = MakeArchive(tool_case);
  if (archive.empty()) GTEST_SKIP() << tool_case.tool << " is not installed";
  if (tool_case.encrypted) ui_.AnswerPasswordRequest(kPassword);

  const int extracted = Extract(archive);
  const ZipHeaderInfo* text = EntryNamed("text.txt");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->method, tool_case.method);
  EXPECT_EQ(text->Encrypted(), tool_case.encrypted);

  const auto reference = ReferenceExtraction(archive, tool_case.encrypted);
  EXPECT_EQ(reference.size(), SourceFiles().size());
  const auto ours = Extracted();
  EXPECT_EQ(extracted, static_cast<int>(reference.size()));
  ASSERT_EQ(ours.size(), reference.size());
  for (const auto& [name, content] : reference) {
    ASSERT_TRUE(ours.count(name)) << name;
    EXPECT_TRUE(ours.at(name) == content) << name << " differs";
  }
  EXPECT_TRUE(skipped_.empty());
  EXPECT_LE(ui_.password_requests.size(), 1u);
  if (tool_case.encrypted) {
    ASSERT_EQ(ui_.password_requests.size(), 1u);
    EXPECT_EQ(ui_.password_requests[0].archive, archive.string());
  }
}

class EncryptedToolArchives : public Methods, public ::testing::WithParamInterface<ToolCase> {};

// A wrong password leaves no file and names every entry; the next run asks again.
TEST_P(EncryptedToolArchives, WrongPasswordLeavesNoFileAndIsAskedAgain) {
  const ToolCase& tool_case = GetParam();
  const fs::path archive = MakeArchive(tool_case);
  if (archive.empty()) GTEST_SKIP() << tool_case.tool << " is not installed";

  ui_.AnswerPasswordRequest("not the password");
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_TRUE(Extracted().empty());
  // The password check stops nearly every entry at once; one in 256 (traditional) or 65,536
  // (AES) passes it by chance and fails its CRC or authentication after decoding instead.
  std::vector<std::string> expected;
  for (int i = 0; i < unzip_.EntryCount(); ++i)
    if (!unzip_.Entry(i).IsDirectory()) expected.push_back(unzip_.EntryFileName(i));
  std::vector<std::string> failed = bad_password_;
  for (const auto& [reason, name] : skipped_) {
    EXPECT_EQ(reason, SkipReason::WrongPassword) << name;
    failed.push_back(name);
  }
  std::sort(expected.begin(), expected.end());
  std::sort(failed.begin(), failed.end());
  EXPECT_EQ(failed, expected);
  EXPECT_TRUE(bad_crc_.empty());

  ui_.AnswerPasswordRequest(kPassword);
  EXPECT_EQ(Extract(archive), static_cast<int>(SourceFiles().size()));
  // A password that worked is kept for the archive.
  EXPECT_EQ(Extract(archive), static_cast<int>(SourceFiles().size()));
  EXPECT_EQ(ui_.password_requests.size(), 2u);
}

// text.txt's compressed data cut to half its length, and, in a second archive, one of its
// bytes changed: no text.txt either way, the other files as they are.
TEST_P(ToolArchives, DamagedDataLeavesNoFile) {
  const ToolCase& tool_case = GetParam();
  const fs::path archive = MakeArchive(tool_case);
  if (archive.empty()) GTEST_SKIP() << tool_case.tool << " is not installed";
  const std::string bytes = testing::TempDir::Read(archive);
  const std::size_t central = bytes.find(std::string("PK\x01\x02", 4) );
  ASSERT_NE(central, std::string::npos);
  std::size_t record = bytes.find("text.txt", central);
  ASSERT_NE(record, std::string::npos);
  record -= 46;
  const auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                      static_cast<unsigned char>(bytes[at + 2]) << 16 |
                                      static_cast<unsigned char>(bytes[at + 3]) << 24);
  };
  const std::uint32_t compressed = u32(record + 20);
  const std::uint32_t local = u32(record + 42);
  const std::size_t data = local + 30 + (static_cast<unsigned char>(bytes[local + 26]) |
                                         static_cast<unsigned char>(bytes[local + 27]) << 8) +
                           (static_cast<unsigned char>(bytes[local + 28]) |
                            static_cast<unsigned char>(bytes[local + 29]) << 8);

  std::string cut = bytes;
  cut.replace(record + 20, 4, testzip::Le32(compressed / 2));
  std::string changed = bytes;
  changed[data + compressed / 2] = static_cast<char>(changed[data + compressed / 2] ^ 0x10);

  for (const std::string& damaged : {cut, changed}) {
    SCOPED_TRACE(&damaged == &cut ? "cut" : "changed");
    fs::remove_all(dir_.path() / "out");
    bad_crc_.clear();
    bad_password_.clear();
    if (tool_case.encrypted) ui_.AnswerPasswordRequest(kPassword);
    EXPECT_EQ(Extract(dir_.Write("D.ZIP", damaged)), static_cast<int>(SourceFiles().size()) - 1);
    const auto ours = Extracted();
    EXPECT_FALSE(ours.count("text.txt"));
    EXPECT_EQ(ours.at("far.bin"), SourceFiles().at("far.bin"));
    EXPECT_EQ(tool_case.encrypted ? bad_password_ : bad_crc_, std::vector<std::string>{"text.txt"});
    unzip_.CloseArchive();
  }
}

std::vector<ToolCase> EncryptedCases() {
  std::vector<ToolCase> cases;
  for (const ToolCase& tool_case : ToolCases())
    if (tool_case.encrypted) cases.push_back(tool_case);
  return cases;
}

INSTANTIATE_TEST_SUITE_P(RealTools, ToolArchives, ::testing::ValuesIn(ToolCases()),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(RealTools, EncryptedToolArchives, ::testing::ValuesIn(EncryptedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// XZ and Zstandard entries, which no tool here writes into a ZIP archive, and bzip2 streams one
// after another, as parallel compressors write them.
TEST_F(Methods, EntriesAroundTheLibrariesOwnOutput) {
  const auto sources = SourceFiles();
  ZipBuilder zip;
  for (const auto& [name, content] : sources) {
    const std::string first = content.substr(0, content.size() / 2);
    const std::string second = content.substr(content.size() / 2);
    for (const std::uint16_t method : {12, 93, 95}) {
      const std::string stored_name = std::to_string(method) + "/" + name;
      auto& entry = zip.Raw(stored_name);
      entry.method = method;
      if (method == 12)
        entry.data = testzip::Bzip2Compress(first) + testzip::Bzip2Compress(second);
      else if (method == 93)
        entry.data = testzip::ZstdCompress(first) + testzip::ZstdCompress(second);
      else
        entry.data = testzip::XzCompress(content);
      entry.compressed_size = static_cast<std::uint32_t>(entry.data.size());
      entry.uncompressed_size = static_cast<std::uint32_t>(content.size());
      entry.crc = testzip::Crc32(content);
    }
  }
  EXPECT_EQ(Extract(dir_.Write("T.ZIP", zip.Build())), static_cast<int>(3 * sources.size()));
  const auto ours = Extracted();
  for (const auto& [name, content] : sources)
    for (const char* method : {"12/", "93/", "95/"})
      EXPECT_TRUE(ours.at(method + name) == content) << method << name;
}

TEST_F(Methods, UnknownMethodsAreNamedAndLeaveNoFile) {
  const std::string seven = SevenZip();
  ZipBuilder zip;
  zip.Stored("plain.txt", "plain");
  auto& odd = zip.Stored("odd.bin", "data");
  odd.method = 77;
  auto& zero_crc = zip.Stored("dir/zero.bin", "");
  zero_crc.method = 97;
  zero_crc.crc = 0;
  ui_.Expect(BoxKind::Error, "Unknown Compression Method 77 in odd.bin", Buttons::Ok,
             Answer::Ok, "Zip Error")
      .Expect(BoxKind::Error, "Unknown Compression Method 97 (WavPack) in dir\\zero.bin",
              Buttons::Ok, Answer::Ok, "Zip Error");
  EXPECT_EQ(Extract(dir_.Write("T.ZIP", zip.Build())), 1);
  EXPECT_EQ(Extracted().size(), 1u);
  EXPECT_EQ(skipped_, (std::vector<std::pair<SkipReason, std::string>>{
                          {SkipReason::UnknownMethod, "odd.bin"},
                          {SkipReason::UnknownMethod, "zero.bin"}}));
}

TEST_F(Methods, PpmdFrom7ZipIsNamedAndLeavesNoFile) {
  const fs::path archive =
      MakeArchive({"SevenZipPpmd", "7z", "{7z} a -tzip -mm=PPMd A.ZIP " + kFiles, false, 98});
  if (archive.empty()) GTEST_SKIP() << "7-Zip is not installed";
  unzip_.SetZipName(archive.string());
  unzip_.LoadDirectory();
  std::vector<std::string> ppmd;
  for (int i = 0; i < unzip_.EntryCount(); ++i) {
    if (unzip_.Entry(i).method != 98) continue;
    ppmd.push_back(unzip_.EntryFileName(i));
    ui_.Expect(BoxKind::Error,
               "Unknown Compression Method 98 (PPMd) in " + unzip_.EntryPathName(i) +
                   unzip_.EntryFileName(i));
  }
  ASSERT_FALSE(ppmd.empty());
  const int extracted = unzip_.Extract();
  const auto ours = Extracted();
  EXPECT_EQ(extracted, static_cast<int>(ours.size()));
  for (const std::string& name : ppmd) EXPECT_FALSE(ours.count(name)) << name;
  EXPECT_EQ(ours.size() + ppmd.size(), SourceFiles().size());
}

TEST_F(Methods, EncryptedEntriesAskOnceAndCancellingSkipsThem) {
  const fs::path archive = MakeArchive(ToolCases()[3]);  // 7-Zip's ZipCrypto
  if (archive.empty()) GTEST_SKIP() << "7-Zip is not installed";
  ui_.AnswerPasswordRequest(std::nullopt);
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_TRUE(Extracted().empty());
  ASSERT_EQ(ui_.password_requests.size(), 1u);
  EXPECT_EQ(ui_.password_requests[0].archive, archive.string());
  EXPECT_EQ(ui_.password_requests[0].entry,
            unzip_.EntryPathName(0) + unzip_.EntryFileName(0));
  ASSERT_FALSE(skipped_.empty());
  for (const auto& [reason, name] : skipped_) EXPECT_EQ(reason, SkipReason::Encrypted) << name;

  // A password set by the caller is never asked for.
  skipped_.clear();
  unzip_.SetPassword(kPassword);
  EXPECT_EQ(Extract(archive), static_cast<int>(SourceFiles().size()));
  EXPECT_EQ(ui_.password_requests.size(), 1u);
}

TEST_F(Methods, EncryptedDataTooShortForItsHeaderFailsItsCheck) {
  ZipBuilder zip;
  zip.Encrypted("fine.txt", "fine", kPassword);
  auto& cut = zip.Encrypted("cut.txt", "whatever", kPassword);
  cut.data.resize(5);
  cut.compressed_size = 5;
  ui_.AnswerPasswordRequest(kPassword);
  EXPECT_EQ(Extract(dir_.Write("T.ZIP", zip.Build())), 1);
  EXPECT_EQ(Extracted(), (std::map<std::string, std::string>{{"fine.txt", "fine"}}));
  EXPECT_EQ(bad_password_, std::vector<std::string>{"cut.txt"});
}

// Many small entries of each method in one run, as an archive of many files holds them: the
// decoders' large blocks pass from entry to entry, so each entry must come out as its own bytes
// whatever the one before left in them, and an entry with a damaged byte between good ones
// fails alone. Sizes and bzip2 block sizes vary so that blocks of several sizes are passed on.
TEST_F(Methods, ManyEntriesOfEachMethodInOneRunWithADamagedOneAmongThem) {
  constexpr int kEntries = 60;
  constexpr int kDamaged = 30;
  const auto name_of = [](int i) {
    std::string name = std::to_string(i);
    return std::string(3 - name.size(), '0') + name + ".txt";
  };
  std::mt19937 generator(11);
  std::map<std::string, std::string> sources;
  const fs::path source = dir_.path() / "many";
  fs::create_directories(source);
  for (int i = 0; i < kEntries; ++i) {
    std::string content;
    const std::size_t size = 50 + generator() % (i % 10 == 0 ? 200000 : 6000);
    while (content.size() < size)
      content += "entry " + std::to_string(i) + " line " + std::to_string(generator() % 1000) + "\n";
    if (i % 7 == 0) content += RandomBytes(500, static_cast<unsigned>(i));
    sources[name_of(i)] = content;
    dir_.Write("many/" + name_of(i), content);
  }

  // Python's zipfile with bzip2 block sizes 1 to 9 in turn, and LZMA; 7-Zip's Deflate64.
  const auto python_zip = [&](const std::string& method) {
    return "python3 -c \"import zipfile\nwith zipfile.ZipFile('A.ZIP', 'w') as z:\n"
           "  for i in range(" + std::to_string(kEntries) + "):\n"
           "    z.write('%03d.txt' % i, compress_type=zipfile." + method +
           ", compresslevel=1 + i % 9)\"";
  };
  std::string files;
  for (int i = 0; i < kEntries; ++i) files += " " + name_of(i);
  struct Case {
    const char* name;
    const char* tool;
    std::string command;
  };
  const std::vector<Case> tool_cases = {
      {"zipfile BZip2", "python3", python_zip("ZIP_BZIP2")},
      {"zipfile LZMA", "python3", python_zip("ZIP_LZMA")},
      {"7-Zip Deflate64", "7z", "'" + SevenZip() + "' a -tzip -mm=Deflate64 A.ZIP" + files},
  };
  std::vector<std::pair<std::string, std::string>> archives;  // case name, archive bytes
  for (const Case& tool_case : tool_cases) {
    if (std::string(tool_case.tool) == "7z" ? SevenZip().empty()
                                            : FindProgram({tool_case.tool}).empty())
      continue;
    fs::remove(source / "A.ZIP");
    ASSERT_TRUE(RunIn(source, tool_case.command)) << tool_case.command;
    archives.emplace_back(tool_case.name, testing::TempDir::Read(source / "A.ZIP"));
  }
  // XZ and Zstandard around the libraries' own streams.
  for (const std::uint16_t method : {93, 95}) {
    ZipBuilder zip;
    for (const auto& [name, content] : sources) {
      auto& entry = zip.Raw(name);
      entry.method = method;
      entry.data = method == 93 ? testzip::ZstdCompress(content) : testzip::XzCompress(content);
      entry.compressed_size = static_cast<std::uint32_t>(entry.data.size());
      entry.uncompressed_size = static_cast<std::uint32_t>(content.size());
      entry.crc = testzip::Crc32(content);
    }
    archives.emplace_back(method == 93 ? "Zstandard" : "XZ", zip.Build());
  }

  for (const auto& [case_name, bytes] : archives) {
    SCOPED_TRACE(case_name);
    std::string damaged = bytes;
    const std::size_t data = EntryDataAt(bytes, name_of(kDamaged));
    ASSERT_NE(data, std::string::npos);
    damaged[data + 40] = static_cast<char>(damaged[data + 40] ^ 0x55);
    for (const bool damage : {false, true}) {
      SCOPED_TRACE(damage ? "damaged" : "whole");
      fs::remove_all(dir_.path() / "out");
      bad_crc_.clear();
      EXPECT_EQ(Extract(dir_.Write("M.ZIP", damage ? damaged : bytes)), kEntries - (damage ? 1 : 0));
      auto expected = sources;
      if (damage) expected.erase(name_of(kDamaged));
      EXPECT_TRUE(Extracted() == expected);
      EXPECT_EQ(bad_crc_, damage ? std::vector<std::string>{name_of(kDamaged)} : std::vector<std::string>{});
      unzip_.CloseArchive();
    }
  }
}

}  // namespace
}  // namespace vantorel::archive
