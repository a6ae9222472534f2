// The main window's set-up: the two switches, the program and data folders from the command
// line, the settings (loaded or first-run), discovery of the outside programs, and the
// settings written back. The steps only the window can take come through MainFormSetupSteps.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "browser/main_form_setup_steps.h"
#include "core/settings.h"

namespace vantorel::app {

// The page argument 1 names: argument 1 up to its first "#" names an existing HTML page (a
// file, not a folder, ending in ".htm" or ".html" in any letter case). The result is that
// file's real path with the "#" and anchor of the argument, if any. A copy of the program
// started for a page a link opens in a new window gets such an argument.
std::optional<std::string> StartPageArgument(const std::vector<std::string>& arguments);

// The command-line switches and data folder: DebugMode and ShowCommands off, ProgramDir the
// program file's folder, DataDir the folder of argument 1 or ProgramDir. Arguments are UTF-8
// path texts; argument 1 "/DEBUGMODE" or "/DBM2" (any letter case) is a switch, a page
// (StartPageArgument) makes DataDir the archive the page belongs to (the nearest folder at or
// above the page's own holding index.htm, else the page's folder), anything else is a data
// folder; argument 2 "/DEBUGMODE" turns DebugMode on; more are ignored. A data folder that does not
// exist gives the warning "Data directory passed on command line does not exist, using
// program directory" and DataDir = ProgramDir. Given no data folder, a program whose folder
// holds no archive (no_archive_page.h) starts on the installed demo (installed_demo.h), or,
// when there is none, shows the warning kNoArchiveMessage (DataDir stays ProgramDir, where
// nothing is written).
void ApplyCommandLine(const std::filesystem::path& program_file,
                      const std::vector<std::string>& arguments,
                      core::BrowserSettings& settings);

// The whole set-up, in order, on the run's settings record: ApplyCommandLine; the
// placement file and the open dialog's folder; kvbrowse.ini in config_dir loaded, or the
// first-run values; empty AcrobatPath, BrowserPath and ZipUtilPath filled from the sample
// files DUMMY.PDF, DUMMY.HTM and DUMMY.ZIP (a reader the desktop names but that does not
// exist gives the information message and stays empty); the settings written; the history;
// dropped files. Settings that cannot be written give one warning ("Unable to write to " + file
// + kSettingsNotSavedNote) and the set-up goes on; any other error stops the set-up and is
// shown in the error box. True when every step ran.
bool RunMainFormSetup(const std::filesystem::path& program_file,
                      const std::vector<std::string>& arguments,
                      const std::filesystem::path& config_dir, core::BrowserSettings& settings,
                      browser::MainFormSetupSteps& window);

// Follows "Unable to write to " + the settings file in the warning of a start-up whose settings
// cannot be saved; the set-up goes on.
inline constexpr char kSettingsNotSavedNote[] = "\rThe settings are used for this run but not saved.";

// The message shown when the desktop names a PDF reader that does not exist.
inline constexpr char kReaderNotFoundMessage[] =
    "Because of a combination of errors in the Acrobat Reader's installation\r"
    "method and a Windows API call, we know that you have the Reader installed\r"
    "but can't get the location of the program! Please choose Options from the\r"
    "menu and browse for the Acrobat Reader program.";

}  // namespace vantorel::app
