#include "app/help_window.h"

#include <QApplication>
#include <QDialog>
#include <QVBoxLayout>

#include "browser/html_viewer.h"
#include "core/ui.h"
#include "core/shared_state.h"
#include "platform/help_page.h"

namespace vantorel::app {

void ShowHelpInWindow(const std::string& page_reference) {
  QDialog window(QApplication::activeWindow());
  window.setWindowTitle(QStringLiteral("Help using Ostravel"));
  window.resize(640, 480);
  auto* view = new browser::HtmlViewer(&window);
  view->SetDefFontName("Times New Roman");
  view->SetDefBackground(Qt::white);
  view->SetHistoryMaxCount(6);
  view->OnBitmapRequest = browser::RequestArchiveBitmap;
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view);
  try {
    view->LoadDocument(core::Settings().DataDir + page_reference);
  } catch (const std::exception& error) {
    core::ShowError(error.what());
    return;
  }
  window.exec();
}

void InstallHelpWindow() { platform::SetHelpPageHandler(ShowHelpInWindow); }

}  // namespace vantorel::app
