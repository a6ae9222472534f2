// Running public tools (and vantorel-unzip) as processes from the tests, and comparing the
// folders they extract into.
#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <string>

namespace vantorel::archive::peer {

struct Shell {
  int status = -1;  // exit status, -1 when the command did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs a shell command in folder, standard input from /dev/null.
Shell RunIn(const std::filesystem::path& folder, const std::string& command);

// True when a program of that name is on the PATH.
bool Installed(const char* program);

// What a folder holds: each relative path with "/" for a folder or its content, and the
// modification time of each file.
struct Tree {
  std::map<std::string, std::string> entries;
  std::map<std::string, std::time_t> times;
};

Tree Scan(const std::filesystem::path& root);

// The first difference between two trees ("missing: PATH", "extra: PATH", "different content:
// PATH", and with times "different time: PATH ..."), or "" when they are equal.
std::string Difference(const Tree& ours, const Tree& theirs, bool times);

}  // namespace vantorel::archive::peer
