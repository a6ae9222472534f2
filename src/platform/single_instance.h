// The single-instance handshake. A copy that is still starting can be found by later copies
// under a local-socket name made of the program file's name and the user; a later copy that
// finds it asks it to restore and raise its window, and ends before it shows a window or
// touches the settings. Once the first copy's start-up is done (its application title has
// changed) it stops being found, and later copies start normally.
#pragma once

#include <QLocalServer>
#include <QString>

#include <filesystem>

namespace vantorel::platform {

class SingleInstance {
 public:
  explicit SingleInstance(QString name);
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // The name for a program file and the user running it.
  static QString NameFor(const std::filesystem::path& program_file);

  // True when a starting copy answered under the name and was asked to restore its window:
  // this copy should end. False when none listens (none, or one that has ended).
  bool AskOtherCopyToRestore(int timeout_ms = 1000);

  // Becomes findable under the name, taking over a name a crashed copy left behind.
  // False when the name cannot be taken.
  bool Listen();

  // Stops being findable. True when a later copy asked for the window meanwhile.
  bool StopListening();

 private:
  QString name_;         // local-socket name
  QLocalServer server_;  // listening while the copy starts
};

}  // namespace vantorel::platform
