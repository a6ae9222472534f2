// Opening an article PDF in the outside reader, and offering to install the reader from the
// CD-ROM when none is known. Everything the user sees goes through the Ui port.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace vantorel::platform {

// The reader version offered for installation.
inline constexpr char kReaderVersionText[] = "5.0";
// The reader's installer on the CD-ROM, relative to the drive's root.
inline constexpr char kReaderInstallerPath[] = "Acrobat\\rp500enu.exe";

// The settings the reader flow reads, taken from the run's record by the caller.
struct ReaderSettings {
  std::string acrobat_path;      // AcrobatPath: the reader program; empty when not known
  std::string browser_path;      // BrowserPath: the other program the settings name
  std::string cd_path;           // CdPath (cd_drive.h)
  std::int32_t last_issue = 0;   // LastIssue
  bool show_commands = false;    // ShowCommands
};
// Those fields of the run's record.
ReaderSettings ReaderSettingsOf(const core::BrowserSettings& settings);

// The shared flow. With a known reader (AcrobatPath): when show_commands and the ShowCommands
// setting are both on, the information "Command to execute: \r" + reader + "\rParameters: " +
// path first; then the reader starts with the path. Without one: the warning (Yes/No)
// "Unable to find Acrobat Reader. ... install Adobe Acrobat Reader 5.0 now?", and on Yes
// InstallReaderFromCd.
// With a page (from 1) a reader that takes a page on its command line opens the file there
// (pdf_page_option.h), and the parameters shown are that command line's.
// REQUIRES: the caller has checked that the file exists.
void OpenPdfInReader(const ReaderSettings& reader, std::string_view path, bool show_commands, int page = 0);

// Tells the user to insert the CD-ROM, makes sure the disc is in (EnsureCdReady) and starts
// the installer from the first CD-ROM drive; with show_commands and ShowCommands on, the
// information "Command to execute: \r" + installer path first. Should any step fail with an
// error, "Unable to install Adobe Acrobat Reader" is shown instead.
void InstallReaderFromCd(const ReaderSettings& reader, bool show_commands);

// The check of the viewer window and the free-text search button: the error
// "Unable to find file: " + path when the file is missing, else OpenPdfInReader.
void OpenPdfIfFound(const ReaderSettings& reader, std::string_view path, bool show_commands);

// The checks of the main window's PDF links: nothing at all while LastIssue is 0; stops when
// EnsureCdReady(path) is false; then OpenPdfIfFound with command messages.
void OpenArticlePdf(const ReaderSettings& reader, std::string_view path);

}  // namespace vantorel::platform
