// The print dialog as every window shows it, and the pages it chose.
#pragma once

class QPrintDialog;
class QPrinter;

namespace vantorel::qtui {

// The last page number a print can name: "print to the end".
inline constexpr int kLastPrintPage = 9999;

// The print dialog's settings: page numbers allowed, from 1 to kLastPrintPage, first and last
// page 1.
void PrintDialogSetup(QPrintDialog& dialog);

// The pages a print dialog accepted for printer: its page range, else 1 to kLastPrintPage.
struct PrintPages {
  int first;
  int last;
};
PrintPages ChosenPages(const QPrinter& printer);

}  // namespace vantorel::qtui
