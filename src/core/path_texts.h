// Path texts: the folder, the file name and the extension of a path written as a text.
//
// The separator rule. The folder part of a path text runs up to and including its last
// separator; the file name is the rest; the extension is what follows the last "." of the file
// name (a "." in the folder part never counts). "\" and "/" always separate. ":" separates too
// under FolderEnd::SeparatorOrDrive, the rule for texts read in their Windows form, where
// "C:NAME" has the folder "C:": link references in pages, names stored in ZIP archives, the
// table name a KvDbf is given. A text that names a file the way the file-system facade opens it
// keeps the default FolderEnd::Separator: the facade splits components at "\" and "/" only, so
// there ":" is an ordinary character of a Linux file name ("a:b.dbf" is one name).
#pragma once

#include <string>
#include <string_view>

namespace vantorel::core {

// The characters that end a folder part.
enum class FolderEnd {
  Separator,         // "\" and "/"
  SeparatorOrDrive,  // "\", "/" and the ":" of a drive
};

// The folder part with its last separator; empty when the text has none.
std::string FolderOf(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// True when the text has a folder part (it contains a separator).
bool HasFolder(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// The file name: everything after the folder part (empty for a text ending in a separator).
std::string FileNameOf(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// True when the file name contains a "." (a name ending in "." has an empty extension).
bool HasExtension(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// What follows the last "." of the file name; empty when the file name has no ".".
std::string ExtensionOf(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// The path without the last "." of its file name and what follows it; the path unchanged when
// the file name has no ".".
std::string WithoutExtension(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// The path cut at the first "." of its file name, so a name with several dots loses all of
// them ("A.B.DBF" gives "A"; an MS-DOS name has one dot at most); the path unchanged when the
// file name has no ".".
std::string WithoutExtensions(std::string_view path, FolderEnd rule = FolderEnd::Separator);

// The text with every "\\" turned into "/": a stored Windows-form path as Linux writes it.
std::string WithSlashes(std::string_view path);

}  // namespace vantorel::core
