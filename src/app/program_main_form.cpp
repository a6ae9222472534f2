#include "app/program_main_form.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <vector>

#include "app/no_archive_page.h"
#include "app/options_form.h"
#include "app/startup.h"
#include "app/window_placement.h"
#include "dialogs/arti_search_form.h"
#include "dialogs/extract_dialog.h"
#include "dialogs/full_text_form.h"
#include "dialogs/html_search_form.h"
#include "platform/file_system.h"
#include "platform/outside_programs.h"
#include "viewer/view_form.h"
#include "viewer/sel_file_form.h"

namespace vantorel::app {

namespace {

ScreenMetrics MetricsOf(const QScreen* screen) {
  if (screen == nullptr) return {};
  return {screen->geometry().width(), screen->geometry().height(),
          qRound(screen->logicalDotsPerInch())};
}

// The desktop's screens, the primary one first, each by the area windows may take.
std::vector<ScreenArea> ScreenAreas() {
  std::vector<ScreenArea> areas;
  QList<QScreen*> screens = QGuiApplication::screens();
  std::stable_partition(screens.begin(), screens.end(),
                        [](const QScreen* screen) { return screen == QGuiApplication::primaryScreen(); });
  for (const QScreen* screen : screens) {
    const QRect area = screen->availableGeometry();
    areas.push_back({area.left(), area.top(), area.width(), area.height()});
  }
  return areas;
}

}  // namespace

ProgramMainFormHost::ProgramMainFormHost(std::filesystem::path program_file,
                                         std::vector<std::string> arguments,
                                         std::filesystem::path config_dir)
    : program_file_(std::move(program_file)),
      arguments_(std::move(arguments)),
      config_dir_(std::move(config_dir)) {}

bool ProgramMainFormHost::RunSetup(browser::MainFormSetupSteps& window) {
  return RunMainFormSetup(program_file_, arguments_, config_dir_, settings_, window);
}

void ProgramMainFormHost::RestorePlacement(const std::filesystem::path& placement_file,
                                           QMainWindow& window) {
  const auto restored = LoadPlacement(placement_file, MetricsOf(window.screen()));
  if (!restored) return;
  if (restored->normal_pos) {
    if (const auto placed = PlaceOnScreens(*restored->normal_pos, ScreenAreas())) {
      const auto& [left, top, right, bottom] = *placed;
      window.setGeometry(left, top, right - left, bottom - top);
    }
  }
  switch (restored->show) {
    case ShowState::Minimized: window.setWindowState(window.windowState() | Qt::WindowMinimized); break;
    case ShowState::Maximized: window.setWindowState(window.windowState() | Qt::WindowMaximized); break;
    case ShowState::Normal: break;
  }
}

void ProgramMainFormHost::StorePlacement(const std::filesystem::path& placement_file,
                                         const QMainWindow& window) {
  WindowPlacement placement;
  const QRect normal =
      window.isMaximized() || window.isMinimized() ? window.normalGeometry() : window.geometry();
  placement.normal_pos = {normal.left(), normal.top(), normal.left() + normal.width(),
                          normal.top() + normal.height()};
  placement.show = window.isMinimized()   ? ShowState::Minimized
                   : window.isMaximized() ? ShowState::Maximized
                                          : ShowState::Normal;
  placement.visible = window.isVisible();
  SavePlacement(placement_file, placement, MetricsOf(window.screen()));
}

void ProgramMainFormHost::ShowOptions() {
  if (options_ != nullptr) options_->exec();
}

std::string ProgramMainFormHost::StartPage() {
  if (const auto page = StartPageArgument(arguments_)) return *page;
  const std::string& data_dir = settings_.DataDir;
  if (!HoldsArchive(data_dir)) {
    if (std::string page = WriteNoArchivePage(); !page.empty()) return page;
  }
  return data_dir + "index.htm";
}

core::SearchOutcome ProgramMainFormHost::ShowArticleSearch() {
  return arti_search_ != nullptr ? arti_search_->ShowSearch() : core::SearchOutcome{};
}

core::SearchOutcome ProgramMainFormHost::ShowBonusSearch() {
  return html_search_ != nullptr ? html_search_->ShowSearch() : core::SearchOutcome{};
}

void ProgramMainFormHost::OpenExtractDialog(const std::string& archive) {
  dialogs::OpenExtractDialog(archive);
}

void ProgramMainFormHost::BrowseDirectory(const std::string& directory) {
  if (view_form_ != nullptr)
    viewer::OpenFileBrowser(directory, *view_form_, {settings_.AcrobatPath, settings_.BrowserPath});
}

void ProgramMainFormHost::LoadViewerTextFile(const std::string& file, const std::string& caption,
                                             const std::string& word) {
  if (view_form_ == nullptr) return;
  view_form_->ShowTextFile(file, caption);
  view_form_->SetSearchWord(word);
}

void ProgramMainFormHost::LoadViewerArchiveMember(const std::string& archive,
                                                  const std::string& member,
                                                  const std::string& caption,
                                                  const std::string& word) {
  if (view_form_ == nullptr) return;
  view_form_->ShowArchiveMember(archive, member, caption);
  view_form_->SetSearchWord(word);
}

std::optional<std::string> ProgramMainFormHost::AskFullTextQuery(const std::string& query) {
  return dialogs::AskFullTextQuery(query);
}

void ProgramMainFormHost::ShowViewerModal() {
  if (view_form_ != nullptr) view_form_->ShowModal();
}

void ProgramMainFormHost::StartProgramCopy(const std::string& parameters) {
  platform::LaunchProgram(platform::PathText(program_file_), parameters);
}

}  // namespace vantorel::app
