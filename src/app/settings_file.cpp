#include "app/settings_file.h"

#include <cstdlib>

#include "app/ini_file.h"
#include "core/code_pages.h"
#include "core/texts.h"
#include "platform/cd_drive.h"

namespace vantorel::app {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kDefaultLastIssue = 72;
constexpr std::int32_t kDefaultResultsThreshold = 30;

fs::path FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? fs::path(value) : fs::path();
}

std::string ReadPath(const IniFile& ini, const char* key, const std::string& fallback) {
  return core::Utf8OrCp1252ToUtf8(ini.ReadString(kSettingsSection, key, fallback));
}

}  // namespace

fs::path ConfigDir() {
  if (fs::path dir = FromEnvironment("VANTOREL_CONFIG_DIR"); !dir.empty()) return dir;
  if (fs::path dir = FromEnvironment("XDG_CONFIG_HOME"); !dir.empty()) return dir / "vantorel";
  if (fs::path home = FromEnvironment("HOME"); !home.empty())
    return home / ".config" / "vantorel";
  return fs::path(".config") / "vantorel";
}

std::string DirectoryWithSeparator(std::string_view text) {
  if (text.empty()) return {};
  if (text.back() == '/') return std::string(text);
  return core::WithTrailingBackslash(text);
}

std::string DefaultPdfDir(const core::BrowserSettings& settings) { return settings.DataDir + "PDF/"; }

std::string DefaultSourceDir(const core::BrowserSettings& settings) {
  return settings.DataDir + "DISKS/";
}

void LoadSettings(const fs::path& file, core::BrowserSettings& settings) {
  const IniFile ini(file);
  const char* section = kSettingsSection;
  settings.AcrobatPath = ReadPath(ini, "Acrobat", "");
  settings.BrowserPath = ReadPath(ini, "Browser", "");
  const std::string pdf_dir = ReadPath(ini, "PdfFiles", "");
  settings.PdfDir = pdf_dir.empty() ? DefaultPdfDir(settings) : DirectoryWithSeparator(pdf_dir);
  const std::string source_dir = ReadPath(ini, "SourceFiles", "");
  settings.SourceDir =
      source_dir.empty() ? DefaultSourceDir(settings) : DirectoryWithSeparator(source_dir);
  settings.CdPath = ini.HasKey(section, "CDPath")
                        ? DirectoryWithSeparator(ReadPath(ini, "CDPath", ""))
                        : platform::FirstCdDrive();
  settings.LastIssue = ini.ReadInteger(section, "LastIssue", kDefaultLastIssue);
  settings.ResultsThreshold = ini.ReadInteger(section, "Results", kDefaultResultsThreshold);
  settings.UseExternalZip = ini.ReadBool(section, "UseExternalZip", false);
  settings.ZipUtilPath = ReadPath(ini, "ZipUtil", "");
}

void ApplyFirstRunValues(core::BrowserSettings& settings) {
  settings.PdfDir = DefaultPdfDir(settings);
  settings.SourceDir = DefaultSourceDir(settings);
  settings.CdPath = platform::FirstCdDrive();
  settings.LastIssue = kDefaultLastIssue;
  settings.ResultsThreshold = kDefaultResultsThreshold;
  settings.UseExternalZip = false;
  settings.ZipUtilPath.clear();
}

void SaveSettings(const fs::path& file, const core::BrowserSettings& settings) {
  IniFile ini(file);
  const char* section = kSettingsSection;
  ini.WriteString(section, "Acrobat", settings.AcrobatPath);
  ini.WriteString(section, "Browser", settings.BrowserPath);
  // A folder that is the open archive's default is stored as the default (empty), so that the
  // next archive opened finds its own.
  ini.WriteString(section, "PdfFiles",
                  settings.PdfDir == DefaultPdfDir(settings) ? std::string() : settings.PdfDir);
  ini.WriteString(section, "SourceFiles", settings.SourceDir == DefaultSourceDir(settings)
                                              ? std::string()
                                              : settings.SourceDir);
  ini.WriteString(section, "CDPath", settings.CdPath);
  ini.WriteInteger(section, "LastIssue", settings.LastIssue);
  ini.WriteInteger(section, "Results", settings.ResultsThreshold);
  ini.WriteBool(section, "UseExternalZip", settings.UseExternalZip);
  ini.WriteString(section, "ZipUtil", settings.ZipUtilPath);
  ini.Save();
}

}  // namespace vantorel::app
