#include "core/path_texts.h"

#include <algorithm>

namespace vantorel::core {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Where the file name starts: just past the last separator, 0 when there is none.
std::size_t FileNameStart(std::string_view path, FolderEnd rule) {
  const std::size_t last = path.find_last_of(rule == FolderEnd::Separator ? "\\/" : "\\/:");
  return last == npos ? 0 : last + 1;
}

// Position of the first (or last) "." in the file name; npos when it has none.
std::size_t FirstDot(std::string_view path, FolderEnd rule) {
  return path.find('.', FileNameStart(path, rule));
}

std::size_t LastDot(std::string_view path, FolderEnd rule) {
  const std::size_t dot = path.rfind('.');
  return dot == npos || dot < FileNameStart(path, rule) ? npos : dot;
}

}  // namespace

std::string FolderOf(std::string_view path, FolderEnd rule) {
  return std::string(path.substr(0, FileNameStart(path, rule)));
}

bool HasFolder(std::string_view path, FolderEnd rule) { return FileNameStart(path, rule) != 0; }

std::string FileNameOf(std::string_view path, FolderEnd rule) {
  return std::string(path.substr(FileNameStart(path, rule)));
}

bool HasExtension(std::string_view path, FolderEnd rule) { return FirstDot(path, rule) != npos; }

std::string ExtensionOf(std::string_view path, FolderEnd rule) {
  const std::size_t dot = LastDot(path, rule);
  return dot == npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string WithoutExtension(std::string_view path, FolderEnd rule) {
  return std::string(path.substr(0, LastDot(path, rule)));
}

std::string WithoutExtensions(std::string_view path, FolderEnd rule) {
  return std::string(path.substr(0, FirstDot(path, rule)));
}

std::string WithSlashes(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

}  // namespace vantorel::core
