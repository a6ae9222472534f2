#include "archive/extraction_request.h"

#include <cstddef>

#include "core/path_texts.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::archive {
namespace {

constexpr char kFilesUnzippedTo[] = " files unzipped to\r";
constexpr char kNotUnzipped[] = "\r\rNot unzipped:";
constexpr std::size_t kSkippedNamesShown = 10;

std::string SkipReasonText(const KvUnZip& unzip, const SkippedEntry& skipped) {
  switch (skipped.reason) {
    case SkipReason::FileExists: return "kept";
    case SkipReason::Encrypted: return "encrypted, no password given";
    case SkipReason::WrongPassword: return "wrong password";
    case SkipReason::UnsupportedEncryption: return "encryption not supported";
    case SkipReason::CannotCreate: return "cannot be written";
    case SkipReason::UnsafePath: return "leads outside the destination";
    case SkipReason::UnknownMethod:
      return "unknown compression method " + std::to_string(unzip.Entry(skipped.index).method);
    case SkipReason::DamagedData: return "damaged data";
  }
  return "skipped";
}

// The entries the run could not write, one a line with the reason; empty when there are none.
std::string NotUnzippedText(const KvUnZip& unzip) {
  std::string text;
  std::size_t listed = 0;
  std::size_t more = 0;
  for (const SkippedEntry& skipped : unzip.Skipped()) {
    if (skipped.reason == SkipReason::FileExists) continue;
    if (listed == kSkippedNamesShown) {
      ++more;
      continue;
    }
    const ZipHeaderInfo& entry = unzip.Entry(skipped.index);
    text += "\r" + core::WithSlashes(entry.path) + entry.file_name + " (" +
            SkipReasonText(unzip, skipped) + ")";
    ++listed;
  }
  if (listed == 0) return {};
  if (more > 0) text += "\rand " + std::to_string(more) + " more";
  return kNotUnzipped + text;
}

}  // namespace

std::optional<std::string> ExtractionRequestError(const std::string& archive,
                                                  const std::string& destination) {
  if (archive.empty()) return kNothingToUnzip;
  if (destination.empty()) return kNoDestination;
  return std::nullopt;
}

std::string ProposedDestination(const std::string& archive) {
  const std::string folder = core::FolderOf(archive);
  if (folder.empty() || platform::WritableAt(platform::ResolvePath(folder))) return folder;
  const std::string home = platform::HomeFolder();
  const std::string name = core::WithoutExtension(core::FileNameOf(archive));
  if (home.empty() || name.empty() || !platform::WritableAt(platform::ResolvePath(home)))
    return folder;
  return home + name + "/";
}

void PrepareDialogExtraction(KvUnZip& unzip, const std::string& destination) {
  unzip.SetDoAll(true);
  unzip.SetDestDir(destination);
  unzip.SetRecreateDirs(true);
  unzip.SetRetainAttributes(true);
}

ExtractionSummary SummaryOfExtraction(const KvUnZip& unzip, int count) {
  const std::string summary =
      std::to_string(count) + kFilesUnzippedTo + platform::ShownPath(unzip.DestDir());
  const std::string not_unzipped = NotUnzippedText(unzip);
  return {summary + not_unzipped, !not_unzipped.empty()};
}

}  // namespace vantorel::archive
