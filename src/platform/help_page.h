// The help display every window uses: ShowHelpPage("help.htm#Options") shows DataDir + the
// page reference in the viewer window, modally. The program installs the window that shows
// it; this seam lets windows below the program (the dialogs, the file browser) ask for help
// without knowing that window.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vantorel::platform {

using HelpPageHandler = std::function<void(const std::string& page_reference)>;

// Hands the page reference (relative to DataDir, anchor included) to the installed handler;
// nothing happens while none is installed.
void ShowHelpPage(std::string_view page_reference);

// Installs the handler (empty: none) and returns the previous one.
HelpPageHandler SetHelpPageHandler(HelpPageHandler handler);

}  // namespace vantorel::platform
