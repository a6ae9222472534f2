#include "temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vantorel::testing {

namespace fs = std::filesystem;

// Every test works under a folder whose name has blanks and letters outside code page 1252
// ("Мой архив Łódź 東京"), as a reader's folders may: a path squeezed through 1252 on its way,
// or split at a blank, fails the test that meets it.
constexpr char kFolderPattern[] =
    "vantorel-test \xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2 "
    "\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC-XXXXXX";

TempDir::TempDir() : TempDir(fs::temp_directory_path()) {}

TempDir::TempDir(const fs::path& parent) {
  std::string pattern = (parent / kFolderPattern).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

fs::path MemoryTempParent() {
  std::error_code error;
  if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
  return fs::temp_directory_path();
}

TempDir::~TempDir() {
  std::error_code error;
  // Read-only files and folders made by a test must not stop the clean-up.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(path_, error);
}

fs::path TempDir::Write(std::string_view relative, std::string_view bytes) const {
  const fs::path file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::string TempDir::Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

fs::path FixturesDir() {
  const char* override_dir = std::getenv("VANTOREL_FIXTURES_DIR");
  fs::path dir = override_dir ? fs::path(override_dir) : fs::path(VANTOREL_FIXTURES_DIR);
  std::error_code error;
  if (!fs::is_directory(dir, error)) return {};
  return fs::canonical(dir, error);
}

}  // namespace vantorel::testing
