// Programs outside this one: which program the desktop opens a kind of file with, and
// starting a program or opening a document.
//
// What runs as a program. A file of the archive, its disks or the CD-ROM runs only when it is
// a Linux program (an ELF executable); a "#!" script runs only where the caller lets the reader
// choose to run it. A DOS program (.EXE, .COM, .BAT, or a file the desktop types as one) goes to
// the desktop's application for DOS programs. Everything else is a document and opens with the
// desktop's default application for its type, whatever its permission bits say. The programs
// the reader chose or the desktop named in the settings (the PDF reader, the web browser) and
// programs found on the search path run as they are.
//
// Every launch that finds no file or no program, or fails, says so in an error box (core::Ui)
// that names the file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::platform {

// How the desktop answered a request to open something.
struct DesktopLaunch {
  enum class Outcome {
    Started,        // the application started
    NoApplication,  // the desktop has no application for it
    Failed,         // the application was found but could not be started
  };
  Outcome outcome = Outcome::NoApplication;
  std::string error;  // Failed: the desktop's reason, UTF-8

  bool operator==(const DesktopLaunch&) const = default;
};

// The desktop's file types and applications. The program uses the GIO implementation, which
// starts an application with its desktop entry's whole command line (the field codes of the
// Desktop Entry Specification); tests install one with fixed answers.
class DesktopAssociations {
 public:
  virtual ~DesktopAssociations() = default;
  // The program the desktop opens this existing file with: the absolute path of its
  // executable, or the executable's name as the desktop gives it when no such program is on
  // the search path; empty when the desktop knows no program for the file.
  virtual std::string ProgramFor(const std::filesystem::path& file) const = 0;
  // The content type the desktop gives the existing file, from its name and its first bytes
  // ("text/plain", "application/x-ms-dos-executable"); empty when it cannot tell.
  virtual std::string ContentTypeOf(const std::filesystem::path& file) const = 0;
  // Opens the file with the desktop's default application for content_type (which may differ
  // from the file's own type).
  virtual DesktopLaunch OpenWithDefault(const std::filesystem::path& file,
                                        const std::string& content_type) const = 0;
  // Opens target -- an existing file's real path, or a URL when is_url -- with an application
  // the desktop registers for target's type (a URL's type is its scheme's handler) whose
  // executable is program (a real path); the default application first. NoApplication when
  // the desktop registers no such application.
  virtual DesktopLaunch OpenWithApplication(const std::filesystem::path& program,
                                            const std::string& target, bool is_url) const = 0;
};

// The process's associations: GIO's unless others were set.
const DesktopAssociations& CurrentAssociations();
// Installs associations (null: GIO's again) and returns the previous ones set. The caller
// keeps them alive while installed.
const DesktopAssociations* SetAssociations(const DesktopAssociations* associations);

// The content types of DOS programs, in the order their applications are asked for.
inline constexpr const char* kDosProgramTypes[] = {
    "application/x-ms-dos-executable", "application/x-msdos-program", "application/x-bat",
    "application/x-dosexec"};

// Box texts of the launches; each names the file or program as a path text.
inline constexpr char kMissingFile[] = "Unable to find file: ";         // + path
inline constexpr char kNoDosProgramBefore[] = "Unable to run the DOS program ";  // + path +
inline constexpr char kNoDosProgramAfter[] =
    ":\rno program to run DOS programs (such as DOSBox) is installed.";
inline constexpr char kNoApplicationBefore[] = "Unable to open ";  // + path +
inline constexpr char kNoApplicationAfter[] =
    ":\rno program to open files of this type is installed.";
inline constexpr char kCannotStartBefore[] = "Unable to start ";  // + path + ":\r" + reason
inline constexpr char kRunScriptBefore[] = "Run the script ";     // + path +
inline constexpr char kRunScriptAfter[] = " as a program?\rNo opens it as a document.";

// The program the desktop associates with the sample file of that name in data_dir (the
// DataDir setting), as a path text; empty when the sample file is missing or no program is
// associated. The result may name a program that does not exist.
std::string FindAssociatedProgram(std::string_view data_dir, std::string_view sample_file_name);

// Splits a parameter text into arguments as a Windows command line is split: blanks and tabs
// separate arguments; a double quote starts or ends a quoted part in which blanks are kept;
// 2n backslashes before a double quote give n backslashes and the quote acts, 2n+1 give n
// backslashes and a literal quote; other backslashes are literal; "" inside a quoted part is
// a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view parameters);

// True when the text is a URL: a scheme of two or more letters, digits, "+", "-" or "."
// (starting with a letter) and ":" ("http://...", "mailto:..."); "C:\X" is a drive path.
bool IsUrl(std::string_view text);

// What a "#!" script given to LaunchProgram does.
enum class Scripts {
  AsDocuments,  // it opens as a document, like any file that is not a program
  AskToRun,     // one whose permission bits let it run: the reader is asked (Yes/No)
                // kRunScriptBefore + path + kRunScriptAfter; Yes runs it, No opens it as a
                // document
};

// The programs the settings name: the PDF reader (AcrobatPath) and the web browser
// (BrowserPath); an empty text names none.
struct ChosenPrograms {
  std::string reader;
  std::string browser;
};

// Starts program with the parameter text, detached, and returns once it has started (or
// failed to). program is a path text (found through the file-system facade) or a bare name
// looked up on the search path.
//  1. The PDF reader or the web browser of the settings (program equal to chosen.reader or
//     chosen.browser), or a program found on the search path: when the parameter text is one
//     existing file or a URL and the desktop registers an application with this executable
//     for it, that application opens it (OpenWithApplication); otherwise the program starts
//     with the arguments below.
//  2. Any other existing file: an ELF executable starts with the arguments below; a DOS
//     program opens with the default application of the first of its own type and
//     kDosProgramTypes that has one (the parameter text is not passed on); a "#!" script as
//     scripts says; anything else (a folder too) opens with the default application for its
//     type, whatever its permission bits say.
// Arguments: none for an empty parameter text; one for a text that is a URL or names an
// existing file or folder; otherwise the text split as a Windows command line. An argument
// that names an existing file or folder through the facade is passed as its real path.
// Errors, in an error box: kMissingFile + program when there is no such file or program;
// kNoDosProgramBefore/After or kNoApplicationBefore/After around the file when the desktop has
// no application; kCannotStartBefore + file + ":\r" + the reason when starting fails.
void LaunchProgram(std::string_view program, std::string_view parameters,
                   Scripts scripts = Scripts::AsDocuments, const ChosenPrograms& chosen = {});

}  // namespace vantorel::platform
