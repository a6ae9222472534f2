#include "fulltext/full_text_session.h"

#include "catalogue/in_out_error.h"
#include "core/code_pages.h"
#include "core/texts.h"
#include "fulltext/fulltext_pages.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::fulltext {

namespace {

std::string Count(std::size_t number) {
  return core::GroupThousands(static_cast<std::int64_t>(number));
}

}  // namespace

std::string BuildQuestion(std::size_t files) {
  return "The full-text index of this archive has not been built yet.\rBuilding it reads " +
         Count(files) + (files == 1 ? " file" : " files") +
         "; you can go on reading meanwhile.\rBuild it now?";
}

std::string ProgressText(const Progress& progress) {
  return "Full-text index: reading file " + Count(progress.done + 1) + " of " +
         Count(progress.total) + ": " + progress.current;
}

std::string UpdateEndText(const UpdateOutcome& outcome, std::size_t total) {
  if (outcome.cancelled)
    return "Full-text index stopped after " + Count(outcome.read) + " of " + Count(total) +
           " files: the next full-text search reads the rest";
  std::string text = "Full-text index: " + Count(outcome.read) + (outcome.read == 1 ? " file" : " files") + " read";
  if (outcome.removed > 0) text += ", " + Count(outcome.removed) + " removed";
  return text;
}

FullTextSession::FullTextSession(ArchiveFolders folders)
    : folders_(std::move(folders)), write_folder_(platform::WriteFolderFor(folders_.data_dir)) {}

FullTextSession::~FullTextSession() = default;

Preparation FullTextSession::Prepare() {
  if (!index_) {
    index_ = std::make_unique<FullTextIndex>(
        platform::ResolvePath(write_folder_ + kIndexFileName), folders_);
  }
  Preparation preparation;
  try {
    preparation.plan = index_->PlanUpdate();
  } catch (const EIndexDamaged&) {
    index_->Rebuild();
    preparation.plan = index_->PlanUpdate();
  }
  preparation.ask_first = !preparation.plan.to_read.empty() && index_->DocumentCount() == 0;
  return preparation;
}

UpdateOutcome FullTextSession::Update(const UpdatePlan& plan, const ProgressCallback& progress,
                                      std::stop_token stop) {
  UpdateOutcome outcome;
  try {
    outcome = index_->Update(plan, progress, stop);
  } catch (const EIndexDamaged&) {
    index_->Rebuild();
    throw EFullTextError(kIndexDamaged);
  }
  const std::string report = write_folder_ + kReportPageName;
  if (!plan.Empty() || !platform::FileExists(report)) WriteReportPage(report, index_->Problems());
  return outcome;
}

SearchAnswer FullTextSession::Search(std::string_view query) {
  using End = SearchAnswer::End;
  try {
    const SearchResults results = index_->Search(query, kPageHitLimit);
    if (results.total == 0) return {End::NoMatches, kNoMatches};
    WriteFullTextPage(write_folder_ + kFullTextPageName, query, results, *index_,
                      index_->Problems().size());
    return {End::PageWritten, {}};
  } catch (const EQueryNotUnderstood& error) {
    return {End::QueryNotUnderstood, error.what()};
  } catch (const EIndexDamaged&) {
    index_->Rebuild();
    return {End::Failed, kIndexDamaged};
  } catch (const EFullTextError& error) {
    return {End::Failed, error.what()};
  } catch (const catalogue::EInOutError& error) {
    return {End::Failed, core::Utf8OrCp1252ToUtf8(error.what())};
  }
}

}  // namespace vantorel::fulltext
