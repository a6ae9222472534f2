// What the main window and the viewer window do alike with the document they show: the
// history they keep, find with its message, copy with its limit, the first dropped file, and a
// view command whose error goes to the error box. Where the two windows differ by their own
// texts, each names its text here as a parameter of its own.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::browser {

// History entries each window's view keeps.
inline constexpr int kHistoryEntries = 6;
// Of the files dropped on a window, the first is taken, at most this long.
inline constexpr std::size_t kDroppedNameMax = 199;

// The information a find shows when the text occurs no further: the window's opening, the
// text, a closing quote. The main window's spelling and the viewer's differ; both are the
// windows' texts as they stand.
inline constexpr char kMainWindowNotFound[] = "No further occurences of \"";
inline constexpr char kViewerNotFound[] = "No further occurrences of \"";
// Tells that text (1252) occurs no further, in the window's wording.
void TellNotFound(std::string_view wording, const std::string& text);

// A selection this long or longer is copied only after OK to kCopyWarning (the viewer's Copy
// button; its Ctrl+C and the main window copy without asking).
inline constexpr int kCopyWarningLength = 32001;
inline constexpr char kCopyWarning[] = "Selection exceeds buffer size and may be truncated";
// True when a selection of this length may be copied: at once below kCopyWarningLength, else
// after OK to the warning.
bool ConfirmCopy(int selection_length);

// The file a drop loads: the first one dropped, cut to kDroppedNameMax; empty when none.
std::string DroppedName(const std::vector<std::string>& files);

// Runs a command on the view; the view's error (a page that cannot be loaded, a copy that
// failed) goes to the error box instead of further.
void RunViewCommand(const std::function<void()>& command);

}  // namespace vantorel::browser
