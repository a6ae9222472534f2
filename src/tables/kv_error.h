// The table engine's error: a numeric code and a detail text, and the one place that decides
// what happens to it (the reporting policy).
//
// Every engine operation that fails throws EKvError. Whoever drives the engine on behalf of
// the program (the dataset, the catalogue) catches it and hands it to ErrorReport, which
// applies the policy:
//   - reporting on (the default): the report text is shown in an error box captioned
//     "Program halted." through the Ui port, and the process ends with the code as exit
//     status. Once the process is ending because of a report, further reports are ignored.
//   - reporting off: the code and detail are only kept as the last error; the caller reads
//     them with LastErrorCode/LastErrorDetail and may report them later.
// Tools (vantorel-dbf) catch EKvError themselves and print ErrorReportText instead.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantorel::tables {

class EKvError : public std::runtime_error {
 public:
  // what() is the report text, ErrorReportText(code, detail).
  EKvError(int code, std::string detail);

  int Code() const { return code_; }
  const std::string& Detail() const { return detail_; }

 private:
  int code_;            // the engine's error code (for example 212, 220, 1003)
  std::string detail_;  // the detail text, code page 1252
};

// The text of an error code: codes below 100 are operating-system file errors, 100-209
// runtime I/O and arithmetic errors, 210 and above engine errors. Empty for 0 (no error);
// "Undefined error" for a code without text.
std::string ErrorCodeText(int code);

// "Error # " + code + " (" + code text + ")" + CR LF + detail.
std::string ErrorReportText(int code, std::string_view detail);

// The operating-system error code (the DOS/Windows numbering of ErrorCodeText) for a POSIX
// errno value: ENOENT 2, ENOTDIR 3, EMFILE 4, EACCES 5, ... Unknown values become 100.
int DosErrorCode(int errno_value);

// --- Reporting policy -------------------------------------------------------------------

// Applies the policy to error (see the top of this file). Always stores the code and detail
// as the last error. With reporting on and the process not already ending: shows the box and
// calls the halt handler. Returns only when reporting is off, when the process is already
// ending, or when a replaced halt handler returns (tests).
void ErrorReport(const EKvError& error);

bool ErrorReportingOn();
// Switches reporting on or off. Switching it on does not report a stored error.
void SetErrorReporting(bool on);

// Reporting off for the lifetime of the object; the previous setting comes back after.
class ErrorReportingOff {
 public:
  ErrorReportingOff();
  ~ErrorReportingOff();
  ErrorReportingOff(const ErrorReportingOff&) = delete;
  ErrorReportingOff& operator=(const ErrorReportingOff&) = delete;

 private:
  bool was_on_;  // the setting before
};

// The last error stored by ErrorReport: code 0 and an empty detail when there is none.
int LastErrorCode();
const std::string& LastErrorDetail();
void ClearLastError();

// What ends the process after the box: std::exit(code) by default. Tests install a handler
// that records the code and returns. Returns the previous handler.
using HaltHandler = std::function<void(int code)>;
HaltHandler SetHaltHandler(HaltHandler handler);

// Runs operation; an EKvError it throws goes to ErrorReport. True when the operation ended
// without an engine error.
template <typename Operation>
bool WithErrorReport(Operation&& operation) {
  try {
    operation();
    return true;
  } catch (const EKvError& error) {
    ErrorReport(error);
    return false;
  }
}

}  // namespace vantorel::tables
