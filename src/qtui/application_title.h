// The application title: "KVXBrowse" while the program starts, "Vantorel Article Browser"
// once the main window exists. Message boxes without a caption of their own carry it.
#pragma once

#include <string>

namespace vantorel::qtui {

inline constexpr char kStartingTitle[] = "KVXBrowse";
inline constexpr char kProgramTitle[] = "Vantorel Article Browser";

const std::string& ApplicationTitle();
void SetApplicationTitle(std::string title);

}  // namespace vantorel::qtui
