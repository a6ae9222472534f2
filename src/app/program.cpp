#include "app/program.h"

#include <QPointer>

#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application_title.h"
#include "app/help_window.h"
#include "app/options_form.h"
#include "app/program_main_form.h"
#include "app/qt_ui.h"
#include "app/settings_file.h"
#include "app/splash.h"
#include "core/code_pages.h"
#include "core/ui.h"
#include "dialogs/arti_search_form.h"
#include "dialogs/html_search_form.h"
#include "platform/single_instance.h"

namespace vantorel::app {

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
  return false;
}

int RunProgram(int argc, char** argv, const std::function<void(ProgramMainForm&)>& shown) {
  Application application(argc, argv);
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
  InstallHelpWindow();

  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(core::Utf8ToCp1252(argv[i]));
  const std::filesystem::path config_dir = ConfigDir();
  ProgramMainForm main_form(program_file, arguments, config_dir);
  SetApplicationTitle(kProgramTitle);
  const bool restore_requested = instance.StopListening();

  OptionsForm options(config_dir / kSettingsFileName, &main_form);
  main_form.SetOptionsForm(&options);
  dialogs::HtmlSearchForm html_search(&main_form);
  main_form.SetHtmlSearchForm(&html_search);

  // Opening the catalogue may build index files; the splash names each one meanwhile.
  ui.SetProgressTarget([&splash](const QString& text) {
    if (splash) splash->ShowProgress(text);
  });
  dialogs::ArtiSearchForm arti_search(&main_form);
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
