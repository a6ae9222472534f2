#include "platform/pdf_reader.h"

#include <exception>

#include "core/texts.h"
#include "core/ui.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "platform/outside_programs.h"
#include "platform/pdf_page_option.h"

namespace vantorel::platform {

ReaderSettings ReaderSettingsOf(const core::BrowserSettings& settings) {
  return {settings.AcrobatPath, settings.BrowserPath, settings.CdPath, settings.LastIssue, settings.ShowCommands};
}

void OpenPdfInReader(const ReaderSettings& reader, std::string_view path, bool show_commands, int page) {
  if (!reader.acrobat_path.empty()) {
    const std::string parameters =
        page > 0 ? PdfPageParameters(reader.acrobat_path, ShownPath(path), page)
                 : std::string(path);
    if (show_commands && reader.show_commands)
      core::ShowInformation("Command to execute: \r" + reader.acrobat_path + "\r" +
                            "Parameters: " + (page > 0 ? parameters : ShownPath(path)));
    LaunchProgram(reader.acrobat_path, parameters, Scripts::AsDocuments, {reader.acrobat_path, reader.browser_path});
    return;
  }
  if (core::Confirm("Unable to find Acrobat Reader. If you have the Reader installed, please "
                    "check the Acrobat Reader entry in the Options dialog. Do you wish to "
                    "install Adobe Acrobat Reader " +
                        std::string(kReaderVersionText) + " now?",
                    core::Buttons::YesNo, {}, core::BoxKind::Warning))
    InstallReaderFromCd(reader, show_commands);
}

void InstallReaderFromCd(const ReaderSettings& reader, bool show_commands) {
  try {
    core::ShowInformation("Please insert the Ostravel CD-ROM into your CD-ROM drive");
    const std::string installer = core::CutToShortString(FirstCdDrive() + kReaderInstallerPath);
    if (!EnsureCdReady(installer, reader.cd_path)) return;
    if (show_commands && reader.show_commands)
      core::ShowInformation("Command to execute: \r" + installer);
    LaunchProgram(installer, "", Scripts::AsDocuments, {reader.acrobat_path, reader.browser_path});
  } catch (const std::exception&) {
    core::ShowInformation("Unable to install Adobe Acrobat Reader");
  }
}

void OpenPdfIfFound(const ReaderSettings& reader, std::string_view path, bool show_commands) {
  if (!FileExists(path)) {
    core::ShowError("Unable to find file: " + ShownPath(path));
    return;
  }
  OpenPdfInReader(reader, path, show_commands);
}

void OpenArticlePdf(const ReaderSettings& reader, std::string_view path) {
  if (reader.last_issue == 0) return;
  if (!EnsureCdReady(path, reader.cd_path)) return;
  OpenPdfIfFound(reader, path, true);
}

}  // namespace vantorel::platform
