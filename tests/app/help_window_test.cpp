#include "app/help_window.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include "archive_fixture.h"
#include "browser/html_viewer.h"
#include "core/shared_state.h"
#include "platform/help_page.h"
#include "qt_application.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::app {
namespace {

using core::Settings;
using testing::ScriptedUi;
using testing::TestApplication;
using testing::TempDir;

TEST(HelpWindow, ShowsTheHelpPageModally) {
  TestApplication();
  TempDir dir;
  Settings() = {};
  Settings().DataDir = WriteSmallArchive(dir, "archive");
  InstallHelpWindow();
  QString caption;
  std::string shown;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (window == nullptr) return;
    caption = window->windowTitle();
    if (auto* view = window->findChild<browser::HtmlViewer*>()) shown = view->ShownFileName();
    window->reject();
  });
  platform::ShowHelpPage("help.htm#Options");
  EXPECT_EQ(caption, QStringLiteral("Help using Ostravel"));
  EXPECT_EQ(shown, Settings().DataDir + "help.htm");
  platform::SetHelpPageHandler({});
  Settings() = {};
}

TEST(HelpWindow, AMissingHelpPageIsReported) {
  TestApplication();
  TempDir dir;
  Settings() = {};
  Settings().DataDir = platform::PathText(dir.path()) + "/";
  ScriptedUi ui;
  ui.Expect(core::BoxKind::Error, "Can't locate file: " + Settings().DataDir + "help.htm");
  ShowHelpInWindow("help.htm");
  Settings() = {};
}

}  // namespace
}  // namespace vantorel::app
