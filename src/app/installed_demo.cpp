#include "app/installed_demo.h"

#include <cstdlib>
#include <string>

#include "platform/copy_file.h"
#include "platform/file_system.h"

namespace vantorel::app {

namespace fs = std::filesystem;

namespace {

constexpr char kStartPage[] = "index.htm";

void CopyTree(const fs::path& source, const fs::path& target, bool top) {
  if (!platform::DirectoryExistsAt(target) && !platform::CreateDirectoriesAt(target))
    throw platform::FileError("Cannot create folder \"" + platform::PathText(target) + "\"");
  for (const std::string& name : platform::EntryNamesAt(source)) {
    if (top && name == kStartPage) continue;
    const fs::path from = source / name;
    if (platform::IsSymbolicLinkAt(from)) continue;
    if (platform::DirectoryExistsAt(from))
      CopyTree(from, target / name, false);
    else
      platform::CopyFileKeepDate(platform::PathText(from), platform::PathText(target / name));
  }
}

}  // namespace

std::optional<fs::path> InstalledDemoFolder(const fs::path& program_dir) {
  const fs::path bin = program_dir.has_filename() ? program_dir : program_dir.parent_path();
  const fs::path demo = bin.parent_path() / "share" / "vantorel" / "demo";
  if (bin.filename() != "bin" || !platform::FileExistsAt(demo / kStartPage))
    return std::nullopt;
  return demo;
}

fs::path UserDemoFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0')
    return fs::path(data) / "vantorel" / "demo";
  const char* home = std::getenv("HOME");
  const fs::path base = home != nullptr && *home != '\0' ? fs::path(home) : fs::path(".");
  return base / ".local" / "share" / "vantorel" / "demo";
}

fs::path PrepareUserDemo(const fs::path& installed, const fs::path& target) {
  if (platform::FileExistsAt(target / kStartPage)) return target;
  CopyTree(installed, target, true);
  platform::CopyFileKeepDate(platform::PathText(installed / kStartPage),
                             platform::PathText(target / kStartPage));
  return target;
}

}  // namespace vantorel::app
