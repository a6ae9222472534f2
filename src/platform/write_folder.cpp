#include "platform/write_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "platform/file_system.h"

namespace vantorel::platform {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadableNameBytes = 40;

// The data folder's canonical path; empty when it is not an existing folder.
fs::path CanonicalDataFolder(std::string_view data_dir) {
  if (data_dir.empty()) return {};
  const fs::path resolved = ResolvePath(data_dir);
  if (!DirectoryExistsAt(resolved)) return {};
  return CanonicalPath(resolved);
}

// $HOME when it is an absolute path, else the user's home from the password database.
fs::path HomePath() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const passwd* user = ::getpwuid(::getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] != '/') return {};
  return fs::path(home);
}

// $XDG_CACHE_HOME when it is an absolute path, else the home folder's ".cache".
fs::path CacheHome() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return fs::path(xdg);
  const fs::path home = HomePath();
  if (home.empty()) return {};
  return home / ".cache";
}

std::uint64_t Fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// The folder's name as a file name that needs no quoting in a shell: letters (those of a UTF-8
// name included), digits, ".", "-" and "_" kept, every other byte "_"; cut at a whole letter.
std::string ReadableName(const fs::path& folder) {
  const std::string name = folder.filename().string();
  const bool utf8 = core::IsValidUtf8(name);
  std::string readable;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool kept = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                      (byte >= 'a' && byte <= 'z') || byte == '.' || byte == '-' || byte == '_' ||
                      (utf8 && byte >= 0x80);
    readable += kept ? c : '_';
  }
  if (readable.size() > kReadableNameBytes) {
    std::size_t cut = kReadableNameBytes;
    while (cut > 0 && (static_cast<unsigned char>(readable[cut]) & 0xC0) == 0x80) --cut;
    readable.resize(cut);
  }
  if (readable.empty() || readable.front() == '.') readable.insert(0, "archive");
  return readable;
}

// What tells one archive from another mounted at the same place (discs changed in one drive):
// the catalogue tables' sizes and dates, which a read-only archive never changes.
std::string CatalogueIdentity(std::string_view data_dir) {
  std::string identity;
  for (const char* table : {"article.dbf", "author.dbf", "keyword.dbf", "files.dbf", "words.dbf"}) {
    const std::string file = std::string(data_dir) + table;
    const std::optional<File> opened = File::Open(file, File::Mode::Read);
    identity += '\n';
    if (!opened) continue;
    identity += std::to_string(opened->Size()) + " " + std::to_string(FileAge(file).value_or(0));
  }
  return identity;
}

}  // namespace

std::string ProgramCacheFolder() {
  const fs::path home = CacheHome();
  return home.empty() ? std::string() : PathText(home / "vantorel") + "/";
}

bool DataFolderWritable(std::string_view data_dir) {
  const fs::path folder = CanonicalDataFolder(data_dir);
  return !folder.empty() && WritableAt(folder);
}

std::string HomeFolder() {
  const fs::path home = HomePath();
  if (home.empty()) return {};
  std::string text = PathText(home);
  if (!text.ends_with('/')) text += '/';
  return text;
}

std::string ArchiveCacheFolder(std::string_view data_dir) {
  fs::path folder = CanonicalDataFolder(data_dir);
  if (folder.empty()) folder = fs::path(std::string(data_dir)).lexically_normal();
  const std::string cache = ProgramCacheFolder();
  if (cache.empty()) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hash(16, '0');
  std::uint64_t value = Fnv1a64(folder.string() + CatalogueIdentity(data_dir));
  for (int i = 15; i >= 0; --i, value >>= 4) hash[static_cast<std::size_t>(i)] = kHex[value & 0xF];
  const std::string name = ReadableName(folder.filename().empty() ? folder.parent_path() : folder);
  return cache + name + "-" + hash + "/";
}

std::string WriteFolderFor(std::string_view data_dir) {
  if (CanonicalDataFolder(data_dir).empty() || DataFolderWritable(data_dir))
    return std::string(data_dir);
  const std::string cache = ArchiveCacheFolder(data_dir);
  if (cache.empty()) return std::string(data_dir);
  CreateDirectoriesAt(fs::path(cache));
  return cache;
}

std::string WrittenFileLocation(std::string_view path, std::string_view data_dir) {
  const std::size_t hash = path.find('#');
  const std::string file(path.substr(0, hash));
  const std::string folder = core::FolderOf(file);
  const std::string name = core::FileNameOf(file);
  if (name.empty() || folder.empty()) return std::string(path);
  const fs::path archive = CanonicalDataFolder(data_dir);
  if (archive.empty() || CanonicalDataFolder(folder) != archive) return std::string(path);
  if (WritableAt(archive)) return std::string(path);
  const std::string cache = ArchiveCacheFolder(data_dir);
  if (cache.empty()) return std::string(path);
  const fs::path written = ResolvePath(cache + name);
  if (!FileExistsAt(written)) return std::string(path);
  return PathText(written) + std::string(hash == std::string_view::npos ? "" : path.substr(hash));
}

}  // namespace vantorel::platform
