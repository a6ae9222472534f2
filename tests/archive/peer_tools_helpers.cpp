#include "peer_tools_helpers.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>

#include "temp_dir.h"

namespace vantorel::archive::peer {

namespace fs = std::filesystem;

Shell RunIn(const fs::path& folder, const std::string& command) {
  const fs::path out = folder / ".stdout";
  const fs::path err = folder / ".stderr";
  const std::string line = "cd '" + folder.string() + "' && (" + command + ") >'" + out.string() +
                           "' 2>'" + err.string() + "' </dev/null";
  const int status = std::system(line.c_str());
  Shell shell{WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::TempDir::Read(out),
              testing::TempDir::Read(err)};
  fs::remove(out);
  fs::remove(err);
  return shell;
}

bool Installed(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

Tree Scan(const fs::path& root) {
  Tree tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).string();
    if (item.is_directory()) {
      tree.entries[relative] = "/";
      continue;
    }
    tree.entries[relative] = testing::TempDir::Read(item.path());
    struct stat status {};
    ::stat(item.path().c_str(), &status);
    tree.times[relative] = status.st_mtime;
  }
  return tree;
}

std::string Difference(const Tree& ours, const Tree& theirs, bool times) {
  for (const auto& [path, content] : theirs.entries) {
    const auto found = ours.entries.find(path);
    if (found == ours.entries.end()) return "missing: " + path;
    if (found->second != content) return "different content: " + path;
    if (times && content != "/" && ours.times.at(path) != theirs.times.at(path))
      return "different time: " + path + " " + std::to_string(ours.times.at(path)) + " vs " +
             std::to_string(theirs.times.at(path));
  }
  for (const auto& entry : ours.entries)
    if (theirs.entries.count(entry.first) == 0) return "extra: " + entry.first;
  return "";
}

}  // namespace vantorel::archive::peer
