#include "viewer/file_commands.h"

#include "browser/link_router.h"
#include "core/ui.h"
#include "platform/copy_file.h"
#include "platform/file_system.h"

namespace vantorel::viewer {
namespace {

constexpr char kZipExtension[] = ".ZIP";
constexpr char kFilesCopied[] = " files copied";
constexpr char kReplaceExistingFile[] = "Replace existing file ";
constexpr char kFileExistsCaption[] = "File Exists Alert";

}  // namespace

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool ExtractsOnRun(const std::string& path) { return browser::LinkExtension(path) == kZipExtension; }

int CopyFiles(const std::string& folder, const std::vector<std::string>& names,
              const std::string& target, int selected_count) {
  int copied = selected_count;
  for (const std::string& name : names) {
    const std::string source = InFolder(folder, name);
    const std::string copy = InFolder(target, name);
    // Both paths are taken whole: one cut to a fixed length would name another file.
    if (platform::FileExists(copy) &&
        !core::Confirm(kReplaceExistingFile + name + "?", core::Buttons::YesNo, kFileExistsCaption)) {
      --copied;
      continue;
    }
    const core::BusyCursor busy;
    platform::CopyFileKeepDate(source, copy);
  }
  return copied;
}

std::string FilesCopiedText(int count) { return std::to_string(count) + kFilesCopied; }

}  // namespace vantorel::viewer
