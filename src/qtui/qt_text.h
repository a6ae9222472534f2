// The two borders between the program's texts and Qt's strings. An archive text (a table
// value, a page, a link, a search word) is code page 1252 and crosses with ToQString and
// FromQString. A path text, and a text the Ui port shows, is UTF-8 (platform/file_system.h)
// and crosses with PathToQString and PathFromQString, which keep every letter of every script.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "core/code_pages.h"

namespace vantorel::qtui {

inline QString ToQString(std::string_view cp1252) {
  return QString::fromStdString(core::Cp1252ToUtf8(cp1252));
}

// Characters outside code page 1252 become "?".
inline std::string FromQString(const QString& text) {
  return core::Utf8ToCp1252(text.toStdString());
}

inline QString PathToQString(std::string_view utf8_path) {
  return QString::fromUtf8(utf8_path.data(), static_cast<qsizetype>(utf8_path.size()));
}

inline std::string PathFromQString(const QString& path) { return path.toStdString(); }

}  // namespace vantorel::qtui
