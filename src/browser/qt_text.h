// The border between the program's code page 1252 texts and Qt's strings.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "core/code_pages.h"

namespace vantorel::browser {

inline QString ToQString(std::string_view cp1252) {
  return QString::fromStdString(core::Cp1252ToUtf8(cp1252));
}

// Characters outside code page 1252 become "?".
inline std::string FromQString(const QString& text) {
  return core::Utf8ToCp1252(text.toStdString());
}

}  // namespace vantorel::browser
