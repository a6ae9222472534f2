#include "dialogs/extract_dialog.h"

#include <QApplication>
#include <QPointer>

#include "dialogs/unzipper_form.h"

namespace vantorel::dialogs {

void OpenExtractDialog(const std::string& archive) {
  // Held through a QPointer: should the parent window go while the dialog runs, it takes the
  // dialog with it.
  const QPointer<UnzipperForm> dialog = new UnzipperForm(archive, QApplication::activeWindow());
  dialog->exec();
  delete dialog;
}

}  // namespace vantorel::dialogs
