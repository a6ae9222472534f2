// The process from start to end: the single-instance handshake, the splash, the main window
// with its set-up, the application titles, the other long-lived windows, the message loop.
#pragma once

#include <QApplication>

#include <functional>

namespace vantorel::app {

// The application whose message loop shows an exception that escapes a handler in the error
// box of the Ui port and goes on.
class Application : public QApplication {
 public:
  Application(int& argc, char** argv) : QApplication(argc, argv) {}
  bool notify(QObject* receiver, QEvent* event) override;
};

class ProgramMainForm;

// Runs the program; returns the process's exit status. An argument --help or --version prints
// its text on standard output and returns 0 without opening a window. shown, when given, is
// called once the main window is shown, just before the message loop starts (for start-up
// measurements).
int RunProgram(int argc, char** argv, const std::function<void(ProgramMainForm&)>& shown = {});

}  // namespace vantorel::app
