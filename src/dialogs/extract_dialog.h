// The one way into the extraction dialog, for the main window, the link dispatcher and the
// file browser.
#pragma once

#include <string>

namespace vantorel::dialogs {

// Creates the extraction dialog (UnzipperForm) on archive over the active window, shows it modally and destroys it when it closes. An empty archive opens
// the dialog without an archive. Returns nothing: what happened inside stays inside; errors
// were shown to the user there.
// REQUIRES: a QApplication exists and a core::Ui is installed.
void OpenExtractDialog(const std::string& archive);

}  // namespace vantorel::dialogs
