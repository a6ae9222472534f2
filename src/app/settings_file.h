// The settings file "kvbrowse.ini" and where the program keeps its two profile files.
//
// Section "KVXBrowse" holds nine keys, written in this order: "Acrobat", "Browser",
// "PdfFiles", "SourceFiles", "CDPath", "LastIssue", "Results", "UseExternalZip", "ZipUtil".
// Integers are written in decimal, booleans as "1" or "0".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace vantorel::app {

inline constexpr char kSettingsSection[] = "KVXBrowse";
inline constexpr char kSettingsFileName[] = "kvbrowse.ini";
inline constexpr char kPlacementFileName[] = "kvxform.ini";

// The folder of the profile files: $VANTOREL_CONFIG_DIR when set, else
// $XDG_CONFIG_HOME/vantorel, else ~/.config/vantorel.
std::filesystem::path ConfigDir();

// A directory setting with its final separator: empty stays empty, a text ending in "/" stays
// as it is, anything else goes through WithTrailingBackslash.
std::string DirectoryWithSeparator(std::string_view text);

// The default folders of the archive that is open: DataDir + "PDF/" and DataDir + "DISKS/".
std::string DefaultPdfDir(const core::BrowserSettings& settings);
std::string DefaultSourceDir(const core::BrowserSettings& settings);

// Reads every key from the file into settings (ProgramDir, DataDir and the two switches are
// left alone). A missing key takes its default: empty programs, DataDir + "PDF/" and
// DataDir + "DISKS/", the first CD-ROM drive, LastIssue 72, Results 30, no external zip. An
// empty "PdfFiles" or "SourceFiles" is the default folder of the archive that is open.
// Paths are read as UTF-8; a value that is not well-formed UTF-8 was written by an older
// version in code page 1252 and is converted.
// REQUIRES: settings.DataDir is set.
void LoadSettings(const std::filesystem::path& file, core::BrowserSettings& settings);

// The values of a first run without a settings file (the same defaults as missing keys).
// REQUIRES: settings.DataDir is set.
void ApplyFirstRunValues(core::BrowserSettings& settings);

// Writes all nine keys, keeping the file's other sections and keys. A PDF or companion-disk
// folder that is the open archive's default is written empty (the default follows the archive);
// a folder chosen elsewhere is written as it is. Throws IniWriteError ("Unable to write to " +
// file).
void SaveSettings(const std::filesystem::path& file, const core::BrowserSettings& settings);

}  // namespace vantorel::app
