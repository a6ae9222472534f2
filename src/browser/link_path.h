// Link expansion: how the views turn a link reference written in a page into a file path.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::browser {

// A reference is a link of a page (code page 1252) converted to UTF-8 where the view or the
// dispatcher takes it; the result is a UTF-8 path text (platform/file_system.h).

// What a reference is expanded against. All texts are UTF-8 path texts.
struct LinkBase {
  std::string server_root;    // folder a reference starting with a single "\" is placed under;
                              // empty: the file-system root (the reference stays as it is)
  std::string declared_base;  // the BASE HREF the shown page declares; empty when none
  std::string document_dir;   // folder of the document the reference comes from, ending in
                              // a separator; empty when nothing is shown
  bool operator==(const LinkBase&) const = default;
};

// The five steps of link expansion:
//  1. characters with codes up to 32 are removed from both ends;
//  2. each "%" followed by two hexadecimal digits becomes the character with that code (in
//     code page 1252, the page's own);
//  3. when the reference contains "/": a leading "file:///" (or else "file://") is removed,
//     ignoring case, then every "|" becomes ":" and every "/" becomes "\";
//  4. a result starting with a single "\" (not "\\") is placed under the server root;
//  5. a result that is not absolute (no ":" at the second position, not starting with "\\")
//     is taken relative to the declared base (the base "DosPath" leaves it unchanged), or
//     else to the document's folder.
// On this system a result that starts with "\" or "/" after step 4 is absolute as well: with
// the default server root it names a path from the file-system root.
std::string ExpandLinkPath(std::string_view reference, const LinkBase& base);

// The folder part of a page's path text, a drive ("C:") ending it as a separator does
// (core::FolderOf with FolderEnd::SeparatorOrDrive); empty when it has none.
std::string DirectoryOf(std::string_view path);

// What the links of a document are expanded against: the server root, the BASE HREF the
// document declares (code page 1252, as the page holds it; empty when none) and the folder of its full file name file_name (empty
// when nothing is shown).
LinkBase DocumentLinkBase(std::string_view server_root, std::string_view declared_base,
                          std::string_view file_name);

// A file reference (a UTF-8 path text) split at its first "#": the file part and the anchor
// name after "#" (empty when there is no "#"), in code page 1252 as the pages name anchors.
struct FileReference {
  std::string file;    // UTF-8 path text
  std::string anchor;  // code page 1252
};
FileReference SplitFileReference(std::string_view reference);

}  // namespace vantorel::browser
