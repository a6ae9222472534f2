#include "app/program.h"

#include <QIcon>
#include <QPointer>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/options_form.h"
#include "app/program_main_form.h"
#include "app/settings_file.h"
#include "app/splash.h"
#include "core/code_pages.h"
#include "core/command_line_info.h"
#include "core/ui.h"
#include "dialogs/arti_search_form.h"
#include "dialogs/html_search_form.h"
#include "platform/help_page.h"
#include "platform/single_instance.h"
#include "qtui/application_title.h"
#include "qtui/qt_ui.h"
#include "viewer/view_form.h"

namespace vantorel::app {

using qtui::QtUi;
using qtui::SetApplicationTitle;
using qtui::kProgramTitle;
using qtui::kStartingTitle;

namespace {

constexpr char kHelpHead[] =
    "Usage: vantorel [DATADIR [/DEBUGMODE]]\n"
    "  or:  vantorel PAGE.HTM[#ANCHOR]\n"
    "  or:  vantorel /DEBUGMODE | /DBM2\n"
    "Read the archive of a programming magazine: search the article catalogue by\n"
    "keyword, author and issue, open the articles in a PDF reader, browse, view and\n"
    "extract the companion-disk files of every issue, and search the bonus files.\n"
    "\n"
    "  DATADIR          the archive's data folder (the folder of index.htm and the\n"
    "                   catalogue tables); default: the program's folder, or for an\n"
    "                   installed program a copy of the demo archive in\n"
    "                   $XDG_DATA_HOME/vantorel/demo\n"
    "  PAGE.HTM#ANCHOR  open this page of an archive (the archive is the nearest folder\n"
    "                   at or above the page that holds index.htm)\n"
    "  /DEBUGMODE       show every link in the status bar\n"
    "  /DBM2            as /DEBUGMODE, and show the PDF reader's command line first\n";

constexpr char kHelpTail[] =
    "\n"
    "The settings are kept in kvbrowse.ini and the window's place in kvxform.ini, in\n"
    "$VANTOREL_CONFIG_DIR, else $XDG_CONFIG_HOME/vantorel, else ~/.config/vantorel.\n"
    "\n"
    "Exit status:\n"
    " 0  the program was closed, or a copy already running was brought to the front\n"
    "\n"
    "Example:\n"
    "  vantorel /media/cdrom/data\n";

}  // namespace

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
  return false;
}

int RunProgram(int argc, char** argv, const std::function<void(ProgramMainForm&)>& shown) {
  switch (core::InfoRequestOf(argc, argv)) {
    case core::InfoRequest::Help:
      std::cout << kHelpHead << core::kHelpAndVersionOptions << kHelpTail;
      return 0;
    case core::InfoRequest::Version:
      std::cout << core::VersionText("vantorel");
      return 0;
    case core::InfoRequest::None:
      break;
  }
  Application application(argc, argv);
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/vantorel-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);
  QGuiApplication::setDesktopFileName(QStringLiteral("vantorel"));
  const std::filesystem::path program_file =
      QCoreApplication::applicationFilePath().toStdString();

  SetApplicationTitle(kStartingTitle);
  platform::SingleInstance instance(platform::SingleInstance::NameFor(program_file));
  if (instance.AskOtherCopyToRestore()) return 0;
  instance.Listen();

  QtUi ui;
  core::SetUi(&ui);
  struct UiInstalled {
    ~UiInstalled() { core::SetUi(nullptr); }  // after the windows, before ui itself
  } ui_installed;
  const QPointer<Splash> splash = new Splash;
  splash->ShowNow();

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  const std::filesystem::path config_dir = ConfigDir();
  ProgramMainForm main_form(program_file, arguments, config_dir);
  SetApplicationTitle(kProgramTitle);
  const bool restore_requested = instance.StopListening();

  core::BrowserSettings& settings = main_form.ProgramSettings();
  viewer::ViewForm view_form(settings, &main_form);
  main_form.SetViewForm(&view_form);
  platform::SetHelpPageHandler(
      [&view_form](const std::string& page_reference) { view_form.ShowHelpPage(page_reference); });
  struct HelpInstalled {
    ~HelpInstalled() { platform::SetHelpPageHandler({}); }  // before the viewer goes
  } help_installed;

  OptionsForm options(settings, config_dir / kSettingsFileName, &main_form);
  main_form.SetOptionsForm(&options);
  dialogs::HtmlSearchForm html_search(settings, &main_form);
  main_form.SetHtmlSearchForm(&html_search);

  // Opening the catalogue may build index files; the splash names each one meanwhile.
  ui.SetProgressTarget([&splash](const QString& text) {
    if (splash) splash->ShowProgress(text);
  });
  dialogs::ArtiSearchForm arti_search(settings, &main_form);
  ui.SetProgressTarget({});
  if (splash) splash->ShowProgress({});
  main_form.SetArtiSearchForm(&arti_search);

  main_form.show();
  main_form.activateWindow();
  if (restore_requested) main_form.RestoreAndRaise();
  if (shown) shown(main_form);
  return application.exec();
}

}  // namespace vantorel::app
