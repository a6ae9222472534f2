#include "browser/link_path.h"

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"

namespace vantorel::browser {
namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An escaped byte is a character of the page's code page 1252.
std::string DecodePercentEscapes(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexDigitValue(text[i + 1]);
      const int low = HexDigitValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += core::Cp1252ToUtf8(std::string(1, static_cast<char>(high * 16 + low)));
        i += 2;
        continue;
      }
    }
    decoded.push_back(text[i]);
  }
  return decoded;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && core::SameTextNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAbsolute(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return true;
  return !path.empty() && IsSeparator(path[0]);
}

std::string JoinPath(std::string_view folder, std::string_view relative) {
  std::string joined(folder);
  if (!joined.empty() && !IsSeparator(joined.back()) && joined.back() != ':') joined += '\\';
  joined += relative;
  return joined;
}

}  // namespace

std::string ExpandLinkPath(std::string_view reference, const LinkBase& base) {
  std::string path = DecodePercentEscapes(core::AllTrim(reference));
  if (path.find('/') != std::string::npos) {
    if (StartsWithNoCase(path, "file:///")) {
      path.erase(0, 8);
    } else if (StartsWithNoCase(path, "file://")) {
      path.erase(0, 7);
    }
    for (char& c : path) {
      if (c == '|') c = ':';
      if (c == '/') c = '\\';
    }
  }
  const bool under_server_root = !path.empty() && path[0] == '\\' && (path.size() < 2 || path[1] != '\\');
  if (under_server_root && !base.server_root.empty()) {
    std::string root = base.server_root;
    while (!root.empty() && IsSeparator(root.back())) root.pop_back();
    return root + path;
  }
  if (IsAbsolute(path)) return path;
  if (!base.declared_base.empty()) {
    if (core::SameTextNoCase(core::AllTrim(base.declared_base), "DosPath")) return path;
    LinkBase plain;  // the base itself is expanded like a reference, from the root
    const std::string expanded_base = ExpandLinkPath(base.declared_base, plain);
    return JoinPath(DirectoryOf(expanded_base), path);
  }
  if (base.document_dir.empty()) return path;
  return JoinPath(base.document_dir, path);
}

std::string DirectoryOf(std::string_view path) {
  return core::FolderOf(path, core::FolderEnd::SeparatorOrDrive);
}

LinkBase DocumentLinkBase(std::string_view server_root, std::string_view declared_base,
                          std::string_view file_name) {
  return {std::string(server_root), core::Cp1252ToUtf8(declared_base), DirectoryOf(file_name)};
}

FileReference SplitFileReference(std::string_view reference) {
  const std::size_t hash = reference.find('#');
  if (hash == std::string_view::npos) return {std::string(reference), {}};
  return {std::string(reference.substr(0, hash)), core::Utf8ToCp1252(reference.substr(hash + 1))};
}

}  // namespace vantorel::browser
