// Starting the programs a link names: a program path, or the text editor and media player that
// the file actions of the link routers name (kTextEditorProgram, kMediaPlayerProgram).
#pragma once

#include <string_view>

#include "platform/outside_programs.h"

namespace vantorel::browser {

// Starts program with the parameter text (platform::LaunchProgram). kTextEditorProgram with a
// file, and kMediaPlayerProgram with kMediaPlayerParameters + a file, open the file with the
// desktop's default application for it. chosen: the programs the settings name. Failures are
// told in a box (platform::LaunchProgram).
void LaunchLinkProgram(std::string_view program, std::string_view parameters,
                       const platform::ChosenPrograms& chosen);

}  // namespace vantorel::browser
