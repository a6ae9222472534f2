// Starting the programs a link names: a program path, or the text editor and media player that
// the file actions of the link routers name (kTextEditorProgram, kMediaPlayerProgram).
#pragma once

#include <string_view>

namespace vantorel::browser {

// Starts program with the parameter text (platform::LaunchProgram). kTextEditorProgram with a
// file, and kMediaPlayerProgram with kMediaPlayerParameters + a file, open the file with the
// desktop's default application for it. Failures are told in a box (platform::LaunchProgram).
void LaunchLinkProgram(std::string_view program, std::string_view parameters);

}  // namespace vantorel::browser
