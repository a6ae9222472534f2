#include "browser/full_text_runner.h"

#include <QMetaObject>

#include <utility>

#include "catalogue/in_out_error.h"
#include "core/code_pages.h"
#include "core/ui.h"
#include "fulltext/fulltext_pages.h"

namespace vantorel::browser {

FullTextRunner::FullTextRunner(Events events, QObject* parent)
    : QObject(parent), events_(std::move(events)) {}

FullTextRunner::~FullTextRunner() {
  events_ = {};  // the window is going: nothing more is shown
  Stop();
}

void FullTextRunner::Search(const fulltext::ArchiveFolders& folders, std::string query) {
  query_ = std::move(query);
  if (busy_) return;
  const fulltext::ArchiveFolders* current = session_ ? &session_->Folders() : nullptr;
  if (current == nullptr || current->data_dir != folders.data_dir ||
      current->pdf_dir != folders.pdf_dir || current->source_dir != folders.source_dir)
    session_ = std::make_unique<fulltext::FullTextSession>(folders);
  busy_ = true;
  RunOnWorker<fulltext::Preparation>(
      [this](std::stop_token) { return session_->Prepare(); },
      [this](fulltext::Preparation& preparation) { Prepared(preparation); });
}

void FullTextRunner::Cancel() {
  if (building_) worker_.request_stop();
}

void FullTextRunner::Stop() {
  ++stops_;
  worker_.request_stop();
  if (worker_.joinable()) worker_.join();
  busy_ = false;
  SetBuilding(false);
}

template <typename Result>
void FullTextRunner::RunOnWorker(std::function<Result(std::stop_token)> work,
                                 std::function<void(Result&)> done) {
  if (worker_.joinable()) worker_.join();
  const unsigned stops = stops_;
  worker_ = std::jthread([this, stops, work = std::move(work), done = std::move(done)](std::stop_token stop) {
    auto result = std::make_shared<std::optional<Result>>();
    std::exception_ptr error;
    try {
      result->emplace(work(stop));
    } catch (...) {
      error = std::current_exception();
    }
    // Queued to this object: dropped unseen when the runner is gone first.
    QMetaObject::invokeMethod(
        this,
        [this, stops, result, error, done] {
          if (stops != stops_) return;
          if (worker_.joinable()) worker_.join();
          if (error) {
            Failed(error);
          } else {
            done(**result);
          }
        },
        Qt::QueuedConnection);
  });
}

void FullTextRunner::Prepared(fulltext::Preparation& preparation) {
  if (preparation.ask_first &&
      !core::Confirm(fulltext::BuildQuestion(preparation.plan.to_read.size()), core::Buttons::YesNo)) {
    busy_ = false;
    return;
  }
  if (preparation.plan.Empty()) {
    RunSearch();
    return;
  }
  plan_ = std::move(preparation.plan);
  SetBuilding(true);
  RunOnWorker<fulltext::UpdateOutcome>(
      [this](std::stop_token stop) {
        return session_->Update(
            plan_, [this](const fulltext::Progress& progress) { Report(progress); }, stop);
      },
      [this](fulltext::UpdateOutcome& outcome) { Updated(outcome); });
}

void FullTextRunner::Report(const fulltext::Progress& progress) {
  if (reading_) reading_(progress);
  {
    const std::lock_guard lock(progress_mutex_);
    progress_ = progress;
  }
  if (progress_posted_.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this] {
        progress_posted_ = false;
        if (!building_) return;
        fulltext::Progress shown;
        {
          const std::lock_guard lock(progress_mutex_);
          shown = progress_;
        }
        if (events_.status) events_.status(fulltext::ProgressText(shown));
      },
      Qt::QueuedConnection);
}

void FullTextRunner::Updated(fulltext::UpdateOutcome& outcome) {
  SetBuilding(false);
  if (events_.status) events_.status(fulltext::UpdateEndText(outcome, plan_.to_read.size()));
  RunSearch();
}

void FullTextRunner::Failed(const std::exception_ptr& error) {
  busy_ = false;
  SetBuilding(false);
  try {
    std::rethrow_exception(error);
  } catch (const catalogue::EInOutError& failure) {
    core::ShowError(core::Utf8OrCp1252ToUtf8(failure.what()));
  } catch (const std::exception& failure) {
    core::ShowError(failure.what());
  }
}

void FullTextRunner::RunSearch() {
  busy_ = false;
  const std::string query = query_;
  const fulltext::SearchAnswer answer = session_->Search(query);
  using End = fulltext::SearchAnswer::End;
  switch (answer.end) {
    case End::PageWritten:
      if (events_.page) events_.page(fulltext::kFullTextPageName);
      return;
    case End::NoMatches:
      core::ShowInformation(answer.message);
      break;
    case End::QueryNotUnderstood:
      core::ShowWarning(answer.message);
      break;
    case End::Failed:
      core::ShowError(answer.message);
      return;
  }
  if (events_.ask_again) events_.ask_again(query);
}

void FullTextRunner::SetBuilding(bool building) {
  if (building_ == building) return;
  building_ = building;
  if (events_.building) events_.building(building);
}

}  // namespace vantorel::browser
