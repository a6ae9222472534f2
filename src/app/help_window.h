// The help display until the viewer window takes it over: a plain window with one view that
// shows DataDir + the page reference, captioned "Help using Ostravel", shown modally.
#pragma once

#include <string>

namespace vantorel::app {

// Shows the help page; a page that cannot be loaded is reported in the error box and no
// window appears.
void ShowHelpInWindow(const std::string& page_reference);

// Makes ShowHelpInWindow the program's help display (platform::ShowHelpPage).
void InstallHelpWindow();

}  // namespace vantorel::app
