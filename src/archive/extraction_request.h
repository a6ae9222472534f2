// The extraction dialog's Unzip without the dialog: what it checks before a run, how it sets
// the reader up, and the summary it shows afterwards. The dialog only gathers the archive and
// the destination and shows the texts.
#pragma once

#include <optional>
#include <string>

#include "archive/kv_unzip.h"

namespace vantorel::archive {

inline constexpr char kNothingToUnzip[] = "Nothing to unzip: no Zipfile selected";
inline constexpr char kNoDestination[] = "No destination directory provided";

// The error box text when a run cannot start: no archive (kNothingToUnzip), else no
// destination (kNoDestination); nothing when it can.
std::optional<std::string> ExtractionRequestError(const std::string& archive,
                                                  const std::string& destination);

// The destination the dialog proposes for archive (a path text, as the reader holds it): the
// archive's own folder, with its final separator, when this process can write there. An
// archive on a disc or a read-only share is not extracted beside itself: the proposal is then a
// folder named after the archive (its file name without the extension, "/" after it) in the
// user's home folder, when the home can be written; else the archive's folder all the same
// (Unzip then says that it cannot write there).
std::string ProposedDestination(const std::string& archive);

// Sets unzip up for the dialog's run into destination: every entry, the stored directories
// made again, the entries' attributes kept.
void PrepareDialogExtraction(KvUnZip& unzip, const std::string& destination);

// The box after a run that wrote count files: count + " files unzipped to" + "\r" + the
// destination as shown; when entries could not be written, a warning that also names them
// with the reason ("\r\rNot unzipped:", up to ten, then "and N more"). Files kept because the
// user answered No are not named.
struct ExtractionSummary {
  std::string text;
  bool warning = false;  // a warning box instead of the information box
};
ExtractionSummary SummaryOfExtraction(const KvUnZip& unzip, int count);

}  // namespace vantorel::archive
