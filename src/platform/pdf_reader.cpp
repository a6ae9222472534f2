#include "platform/pdf_reader.h"

#include <exception>

#include "core/texts.h"
#include "core/ui.h"
#include "core/shared_state.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "platform/outside_programs.h"
#include "platform/pdf_page_option.h"

namespace vantorel::platform {

void OpenPdfInReader(std::string_view path, bool show_commands, int page) {
  const core::BrowserSettings& settings = core::Settings();
  if (!settings.AcrobatPath.empty()) {
    const std::string parameters =
        page > 0 ? PdfPageParameters(settings.AcrobatPath, ShownPath(path), page)
                 : std::string(path);
    if (show_commands && settings.ShowCommands)
      core::ShowInformation("Command to execute: \r" + settings.AcrobatPath + "\r" +
                            "Parameters: " + (page > 0 ? parameters : ShownPath(path)));
    LaunchProgram(settings.AcrobatPath, parameters);
    return;
  }
  if (core::Confirm("Unable to find Acrobat Reader. If you have the Reader installed, please "
                    "check the Acrobat Reader entry in the Options dialog. Do you wish to "
                    "install Adobe Acrobat Reader " +
                        std::string(kReaderVersionText) + " now?",
                    core::Buttons::YesNo, {}, core::BoxKind::Warning))
    InstallReaderFromCd(show_commands);
}

void InstallReaderFromCd(bool show_commands) {
  try {
    core::ShowInformation("Please insert the Ostravel CD-ROM into your CD-ROM drive");
    const std::string installer = core::CutToShortString(FirstCdDrive() + kReaderInstallerPath);
    if (!EnsureCdReady(installer)) return;
    if (show_commands && core::Settings().ShowCommands)
      core::ShowInformation("Command to execute: \r" + installer);
    LaunchProgram(installer, "");
  } catch (const std::exception&) {
    core::ShowInformation("Unable to install Adobe Acrobat Reader");
  }
}

void OpenPdfIfFound(std::string_view path, bool show_commands) {
  if (!FileExists(path)) {
    core::ShowError("Unable to find file: " + ShownPath(path));
    return;
  }
  OpenPdfInReader(path, show_commands);
}

void OpenArticlePdf(std::string_view path) {
  if (core::Settings().LastIssue == 0) return;
  if (!EnsureCdReady(path)) return;
  OpenPdfIfFound(path, true);
}

}  // namespace vantorel::platform
