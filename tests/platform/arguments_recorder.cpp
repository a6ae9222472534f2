// A Linux program (an ELF executable) for the launch tests: writes each argument it gets on a
// line of the file "arguments" in the folder above its own folder, complete or not at all.
#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
  const std::filesystem::path out =
      std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "arguments";
  const std::filesystem::path part = out.string() + ".part";
  {
    std::ofstream file(part, std::ios::binary);
    for (int i = 1; i < argc; ++i) file << argv[i] << '\n';
  }
  return std::rename(part.c_str(), out.c_str()) == 0 ? 0 : 1;
}
