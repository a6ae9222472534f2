#include "qtui/print_setup.h"

#include <QPrintDialog>
#include <QPrinter>

namespace vantorel::qtui {

void PrintDialogSetup(QPrintDialog& dialog) {
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setMinMax(1, kLastPrintPage);
  dialog.setFromTo(1, 1);
}

PrintPages ChosenPages(const QPrinter& printer) {
  if (printer.printRange() == QPrinter::PageRange) return {printer.fromPage(), printer.toPage()};
  return {1, kLastPrintPage};
}

}  // namespace vantorel::qtui
