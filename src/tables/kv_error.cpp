#include "tables/kv_error.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "core/ui.h"

namespace vantorel::tables {

namespace {

struct CodeText {
  int code;
  const char* text;
};

// Codes below 100: operating-system file errors; 100-209: runtime I/O and arithmetic errors;
// 210 and above: the engine's own.
constexpr CodeText kCodeTexts[] = {
    {1, "Invalid DOS function code"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {6, "Invalid file handle"},
    {8, "Not enough memory"},
    {9, "Memory block address invalid"},
    {10, "Environment invalid"},
    {11, "Format invalid"},
    {12, "Invalid file access code"},
    {13, "Data invalid"},
    {14, "Unknown unit"},
    {15, "Invalid drive number"},
    {16, "Cannot remove current directory"},
    {17, "Cannot rename across drives"},
    {18, "Too many open files"},
    {19, "Disk write-protected"},
    {20, "Unknown unit"},
    {21, "Drive not ready"},
    {22, "Unknown command"},
    {23, "CRC error in data"},
    {24, "Bad drive request structure length"},
    {25, "Disk seek error"},
    {26, "Unknown media type"},
    {27, "Disk sector not found"},
    {28, "Printer out of paper"},
    {29, "Device write fault"},
    {30, "Device read fault"},
    {31, "General failure"},
    {32, "File sharing violation"},
    {33, "File lock violation"},
    {34, "Disk change invalid"},
    {35, "File Control Block unavailable"},
    {36, "File sharing buffer overflow"},
    {50, "Unsupported network request"},
    {51, "Remote machine not listening"},
    {52, "Duplicate name on network"},
    {53, "Network name not found"},
    {54, "Network busy"},
    {55, "Device no longer exists on network"},
    {56, "Net-Bios command limit exceeded"},
    {57, "Error in network adapter hardware"},
    {58, "Incorrect response from network"},
    {59, "Unexpected network error"},
    {60, "Remote adapter incompatible"},
    {100, "Disk read error"},
    {101, "Disk write error (probable cause: Disk Full)."},
    {102, "File not assigned"},
    {103, "File not open"},
    {104, "File not open for input"},
    {105, "File not open for output"},
    {106, "Invalid numeric format"},
    {150, "Disk write-protected"},
    {151, "Unknown unit"},
    {152, "Drive not ready"},
    {153, "Unknown command"},
    {154, "CRC error in data"},
    {155, "Bad drive request structure length"},
    {156, "Disk seek error"},
    {157, "Unknown media type"},
    {158, "Disk sector not found"},
    {159, "Printer out of paper"},
    {160, "Device write fault"},
    {161, "Device read fault"},
    {162, "File sharing violation"},
    {200, "Division by zero error"},
    {201, "Range check error"},
    {202, "Stack overflow error"},
    {203, "Heap overflow error"},
    {204, "Invalid pointer operation"},
    {205, "Floating point overflow"},
    {206, "Floating point underflow"},
    {207, "Invalid floating point operation"},
    {208, "Overlay-manager not installed"},
    {209, "Overlay file read error"},
    {210, "Not a dBASE data file"},
    {211, "Invalid database field type encountered"},
    {212, "Request beyond range"},
    {213, "End of file found unexpectedly"},
    {214, "File already in use"},
    {215, "No database in use"},
    {216, "GP Fault"},
    {217, "Insufficient memory"},
    {218, "Invalid pointer specified"},
    {219, "Cannot duplicate file handle"},
    {220, "Invalid parameter"},
    {221, "Index file not open"},
    {222, "Corrupted index file"},
    {223, "Index version mismatch"},
    {224, "Cyclical relationship detected"},
    {225, "Exclusive Use() required"},
    {226, "BROWSE not active"},
    {227, "Insufficient disk space "},
    {228, "Unbalanced Push/Pop operation "},
    {229, "dBASE IV memo files not supported"},
    {230, "No dBASE memory variables loaded"},
    {231, "Screen library not open"},
    {239, "Missing colon in time"},
    {240, "Non-numeric character in time"},
    {241, "Invalid time specified"},
    {242, "Negative time specified"},
    {243, "TimeDiff result negative"},
    {254, "Engine internal error"},
    {266, "Invalid size"},
    {1003, "Invalid memo address"},
    {1004, "Disk full"},
    {1005, "Memo file write error"},
    {1007, "Memo file is already open"},
    {1012, "Insufficient disk space to pack memo file"},
    {1017, "Cannot lock memo file"},
    {1018, "Cannot unlock memo file"},
    {1019, "Invalid memo operation: database not open or no memo field in database"},
    {1100, "Not a valid operation on Linked List"},
    {1101, "Virtual File Manager Unit not Linked in"},
    {1102, "Virtual File Memory Management Error"},
    {1103, "Invalid Operation "},
    {1200, "Record not locked"},
    {1201, "File not locked"},
    {1202,
     "Semaphore file error. Possible solutions: log into network or load SHARE.EXE before "
     "running Windows"},
    {1300, "File format not supported"},
};

constexpr int kFirstNetworkError = 1203;  // 1203-1299 share one text
constexpr int kLastNetworkError = 1299;

struct ReportState {
  bool reporting_on = true;  // the policy: report at once, or keep for the caller
  bool halting = false;      // the process is ending because of a report
  int last_code = 0;         // the last error given to ErrorReport
  std::string last_detail;   // its detail
  HaltHandler halt = [](int code) { std::exit(code); };
};

ReportState& State() {
  static ReportState state;
  return state;
}

}  // namespace

EKvError::EKvError(int code, std::string detail)
    : std::runtime_error(ErrorReportText(code, detail)), code_(code), detail_(std::move(detail)) {}

std::string ErrorCodeText(int code) {
  if (code == 0) return {};
  for (const CodeText& entry : kCodeTexts)
    if (entry.code == code) return entry.text;
  if (code >= kFirstNetworkError && code <= kLastNetworkError) return "Network Error";
  return "Undefined error";
}

std::string ErrorReportText(int code, std::string_view detail) {
  std::string text = "Error # " + std::to_string(code) + " (" + ErrorCodeText(code) + ")\r\n";
  text += detail;
  return text;
}

int DosErrorCode(int errno_value) {
  switch (errno_value) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EISDIR: return 5;
    case EBADF: return 6;
    case ENOMEM: return 8;
    case EROFS: return 19;
    case ENXIO:
    case ENODEV: return 21;
    case EWOULDBLOCK: return 32;
    case ENOLCK: return 33;
    case ENOSPC: return 101;
    default: return 100;
  }
}

void ErrorReport(const EKvError& error) {
  ReportState& state = State();
  state.last_code = error.Code();
  state.last_detail = error.Detail();
  if (!state.reporting_on || state.halting) return;
  state.halting = true;
  core::CurrentUi().Show({core::BoxKind::Error, "Program halted.", error.what(), core::Buttons::Ok});
  state.halt(error.Code());
  state.halting = false;  // only reached when a replaced handler let the process go on
}

bool ErrorReportingOn() { return State().reporting_on; }

void SetErrorReporting(bool on) { State().reporting_on = on; }

ErrorReportingOff::ErrorReportingOff() : was_on_(ErrorReportingOn()) { SetErrorReporting(false); }

ErrorReportingOff::~ErrorReportingOff() { SetErrorReporting(was_on_); }

int LastErrorCode() { return State().last_code; }

const std::string& LastErrorDetail() { return State().last_detail; }

void ClearLastError() {
  State().last_code = 0;
  State().last_detail.clear();
}

HaltHandler SetHaltHandler(HaltHandler handler) {
  HaltHandler previous = std::move(State().halt);
  State().halt = std::move(handler);
  return previous;
}

}  // namespace vantorel::tables
