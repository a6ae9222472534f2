#include "app/startup.h"

#include <exception>
#include <system_error>

#include "app/installed_demo.h"
#include "app/no_archive_page.h"
#include "app/settings_file.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/copy_file.h"
#include "platform/file_system.h"
#include "platform/outside_programs.h"

namespace vantorel::app {

namespace fs = std::filesystem;

namespace {

// The folder as the program holds it: its canonical path ending in "/" when it exists (the
// counterpart of the short form), else the text as it was.
std::string CanonicalFolder(const std::string& text) {
  const fs::path resolved = platform::ResolvePath(text);
  if (!platform::DirectoryExistsAt(resolved)) return text;
  const fs::path canonical = platform::CanonicalPath(resolved);
  if (canonical.empty()) return text;
  std::string folder = platform::PathText(canonical);
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::optional<std::string> StartPageArgument(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  const std::string& argument = arguments[0];
  const std::size_t hash = argument.find('#');
  const std::string file = argument.substr(0, hash);
  const std::string extension = core::ExtensionOf(file);
  if (!core::SameTextNoCase(extension, "htm") && !core::SameTextNoCase(extension, "html"))
    return std::nullopt;
  if (!platform::FileExists(file)) return std::nullopt;
  const fs::path canonical = platform::CanonicalPath(platform::ResolvePath(file));
  if (canonical.empty()) return std::nullopt;
  return platform::PathText(canonical) + (hash == std::string::npos ? "" : argument.substr(hash));
}

namespace {

// The archive a page belongs to: the nearest folder at or above the page's own that holds the
// start page index.htm, so that a page of a subfolder still finds the catalogue and the help;
// the page's folder when none does.
std::string ArchiveFolderOfPage(const std::string& page) {
  const std::string page_folder = core::FolderOf(page.substr(0, page.find('#')));
  for (std::string folder = page_folder; !folder.empty();) {
    if (platform::FileExists(folder + "index.htm")) return CanonicalFolder(folder);
    const std::string parent = core::FolderOf(folder.substr(0, folder.size() - 1));
    if (parent.size() >= folder.size()) break;
    folder = parent;
  }
  return CanonicalFolder(page_folder);
}

// Without a data folder on the command line and without an archive beside it, an installed
// program starts on the reader's copy of the installed demo (the installed copy itself when the
// copy cannot be made); with no demo installed either, the reader is told there is no archive.
void StartOnInstalledDemo(core::BrowserSettings& settings) {
  if (HoldsArchive(settings.ProgramDir)) return;
  const std::optional<fs::path> installed =
      InstalledDemoFolder(platform::ResolvePath(settings.ProgramDir));
  if (!installed) {
    core::ShowWarning(kNoArchiveMessage);
    return;
  }
  fs::path demo = *installed;
  try {
    demo = PrepareUserDemo(*installed, UserDemoFolder());
  } catch (const platform::FileError& error) {
    core::ShowWarning(std::string(error.what()) +
                      "\rThe demo archive is shown from where it is installed.");
  }
  settings.DataDir = CanonicalFolder(platform::PathText(demo) + "/");
}

}  // namespace

void ApplyCommandLine(const fs::path& program_file, const std::vector<std::string>& arguments,
                      core::BrowserSettings& settings) {
  settings.DebugMode = false;
  settings.ShowCommands = false;
  std::error_code error;
  fs::path program = platform::AbsolutePath(program_file, error);
  settings.ProgramDir = CanonicalFolder(
      DirectoryWithSeparator(platform::PathText(program.parent_path())));
  settings.DataDir = settings.ProgramDir;
  if (arguments.empty()) {
    StartOnInstalledDemo(settings);
    return;
  }

  const std::string first = core::UpperCaseAscii(arguments[0]);
  if (first == "/DEBUGMODE") {
    settings.DebugMode = true;
  } else if (first == "/DBM2") {
    settings.DebugMode = true;
    settings.ShowCommands = true;
  } else if (const auto page = StartPageArgument(arguments)) {
    settings.DataDir = ArchiveFolderOfPage(*page);
  } else if (!arguments[0].empty()) {
    settings.DataDir = CanonicalFolder(DirectoryWithSeparator(arguments[0]));
  }
  if (first == "/DEBUGMODE" || first == "/DBM2") StartOnInstalledDemo(settings);
  if (arguments.size() > 1 && core::UpperCaseAscii(arguments[1]) == "/DEBUGMODE")
    settings.DebugMode = true;
  if (!platform::DirectoryExists(settings.DataDir)) {
    core::ShowWarning(
        "Data directory passed on command line does not exist, using program directory");
    settings.DataDir = settings.ProgramDir;
  }
}

bool RunMainFormSetup(const fs::path& program_file, const std::vector<std::string>& arguments,
                      const fs::path& config_dir, core::BrowserSettings& settings,
                      browser::MainFormSetupSteps& window) {
  try {
    ApplyCommandLine(program_file, arguments, settings);
    window.PointPlacementAt(config_dir / kPlacementFileName);
    window.SetOpenDialogDir(settings.DataDir);

    const fs::path settings_file = config_dir / kSettingsFileName;
    if (platform::ExistsAt(settings_file))
      LoadSettings(settings_file, settings);
    else
      ApplyFirstRunValues(settings);

    if (settings.AcrobatPath.empty()) {
      settings.AcrobatPath = platform::FindAssociatedProgram(settings.DataDir, "DUMMY.PDF");
      if (!settings.AcrobatPath.empty() && !platform::FileExists(settings.AcrobatPath)) {
        core::ShowInformation(kReaderNotFoundMessage);
        settings.AcrobatPath.clear();
      }
    }
    if (settings.BrowserPath.empty())
      settings.BrowserPath = platform::FindAssociatedProgram(settings.DataDir, "DUMMY.HTM");
    if (settings.ZipUtilPath.empty())
      settings.ZipUtilPath = platform::FindAssociatedProgram(settings.DataDir, "DUMMY.ZIP");
    // A settings folder that cannot be written costs only the saving of the settings.
    try {
      SaveSettings(settings_file, settings);
    } catch (const std::exception& error) {
      core::ShowWarning(std::string(error.what()) + kSettingsNotSavedNote);
    }

    window.PrepareHistory();
    window.AcceptDroppedFiles();
    return true;
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return false;
  }
}

}  // namespace vantorel::app
