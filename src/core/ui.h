// The user-interaction port. Logic never opens a window itself: every box, question, file or
// folder request, progress text and busy cursor goes through the Ui installed for the process.
// The program installs a Qt implementation; tests install a scripted one.
//
// Texts are UTF-8: the program's own texts are ASCII, paths are UTF-8 (platform/file_system.h),
// and an archive text (code page 1252) is converted with Cp1252ToUtf8 where it joins a message.
// Paths asked for and returned are UTF-8. "\r" inside a box text breaks the line.
#pragma once

#include <optional>
#include <string>

namespace vantorel::core {

enum class BoxKind { Information, Warning, Error, Confirmation };
enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// One message box as the user sees it.
struct MessageBox {
  BoxKind kind = BoxKind::Information;
  std::string caption;  // window caption; empty means the application title
  std::string text;     // the message
  Buttons buttons = Buttons::Ok;

  bool operator==(const MessageBox&) const = default;
};

// A request for an existing file to open.
struct FileRequest {
  std::string title;        // dialog title
  std::string filter;       // "Description|*.ext|..." pairs; empty means all files
  std::string initial_dir;  // folder shown first; empty means the current one

  bool operator==(const FileRequest&) const = default;
};

// A request for an existing folder.
struct FolderRequest {
  std::string title;        // dialog title
  std::string initial_dir;  // folder shown first; empty means the current one

  bool operator==(const FolderRequest&) const = default;
};

// A request for the password of an archive's encrypted entries.
struct PasswordRequest {
  std::string archive;  // the archive's path (UTF-8, as on disk)
  std::string entry;    // the first encrypted entry met: stored path and name (UTF-8), "\" separated

  bool operator==(const PasswordRequest&) const = default;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // Shows the box modally and returns the button pressed (Ok for a one-button box).
  virtual Answer Show(const MessageBox& box) = 0;

  // Asks for a file; nullopt when the user cancels.
  virtual std::optional<std::string> AskForFile(const FileRequest& request) = 0;

  // Asks for a folder; nullopt when the user cancels.
  virtual std::optional<std::string> AskForFolder(const FolderRequest& request) = 0;

  // Asks for a password, without showing what is typed; nullopt when the user cancels or
  // nobody can be asked. The answer is bytes as typed (UTF-8).
  virtual std::optional<std::string> AskForPassword(const PasswordRequest& request) = 0;

  // Shows a progress text (a status line or a dialog's label); empty clears it.
  virtual void ShowProgress(const std::string& text) = 0;

  // Turns the hourglass cursor on or off; calls nest.
  virtual void SetBusy(bool busy) = 0;
};

// The process's Ui. REQUIRES: SetUi was called (the program does it before any window
// exists, tests in their set-up).
Ui& CurrentUi();

// Installs ui as the process's Ui and returns the previous one (may be null). The caller
// keeps ui alive while it is installed.
Ui* SetUi(Ui* ui);

// Shorthands for the four kinds of box.
void ShowInformation(const std::string& text, const std::string& caption = {});
void ShowWarning(const std::string& text, const std::string& caption = {});
void ShowError(const std::string& text, const std::string& caption = {});
// A confirmation with OK/Cancel or Yes/No; true when the user chose OK or Yes.
bool Confirm(const std::string& text, Buttons buttons, const std::string& caption = {},
             BoxKind kind = BoxKind::Confirmation);

// The hourglass for the lifetime of the object.
class BusyCursor {
 public:
  BusyCursor() { CurrentUi().SetBusy(true); }
  ~BusyCursor() { CurrentUi().SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace vantorel::core
