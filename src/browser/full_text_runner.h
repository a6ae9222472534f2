// The main window's full-text search requests (fulltext/full_text_session.h): the slow steps,
// planning and reading the archive's files, run on a worker thread while the window goes on
// answering; the questions, messages and the search itself run on the window's thread, where
// the runner hands over the worker's results through the event loop.
//
// A request: Prepare on the worker; on the window's thread the question before a first build
// (core::Ui, Yes/No; No ends the request); Update on the worker, each file told as a status
// text (throttled to what the event loop takes); then the search for the request's query, also
// after a stopped update, over the part of the index read so far. FULLTEXT.HTM written: the
// page event. No matches, or a query FTS5 cannot read: the box (information, warning) and the
// ask-again event with the query. Errors: the error box.
#pragma once

#include <QObject>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "fulltext/full_text_session.h"

namespace vantorel::browser {

class FullTextRunner : public QObject {
 public:
  // What the window does for the runner; each is called on the window's thread.
  struct Events {
    std::function<void(const std::string& text)> status;     // a status-bar text
    std::function<void(bool building)> building;             // an update started or ended
    std::function<void(const std::string& page)> page;       // the page to show (file name)
    std::function<void(const std::string& query)> ask_again;  // the query box once more
  };
  // Called on the worker thread before each file is read, before the stop token is looked at
  // (tests hold the update at a given file).
  using ReadingObserver = std::function<void(const fulltext::Progress&)>;

  explicit FullTextRunner(Events events, QObject* parent = nullptr);
  // Stop, without any event; then the worker is gone.
  ~FullTextRunner() override;
  FullTextRunner(const FullTextRunner&) = delete;
  FullTextRunner& operator=(const FullTextRunner&) = delete;

  // Starts a request for query (UTF-8) over the archive in folders. While a request runs, its
  // query becomes this one instead and nothing else starts.
  void Search(const fulltext::ArchiveFolders& folders, std::string query);
  // A request is running.
  bool Busy() const { return busy_; }
  // Its update is running.
  bool Building() const { return building_; }
  // Asks a running update to stop before the next file; the request then searches what was
  // read.
  void Cancel();
  // REQUIRES: no request is running.
  void SetReadingObserver(ReadingObserver observer) { reading_ = std::move(observer); }
  // The window is closing: the running step is told to stop and waited for, and the request
  // ends without a search or any box.
  void Stop();

 private:
  // Runs work on a new worker thread and done with its result on the window's thread; an
  // exception of work goes to Failed instead.
  template <typename Result>
  void RunOnWorker(std::function<Result(std::stop_token)> work,
                   std::function<void(Result&)> done);
  void Prepared(fulltext::Preparation& preparation);
  void Updated(fulltext::UpdateOutcome& outcome);
  void Failed(const std::exception_ptr& error);
  void RunSearch();
  void SetBuilding(bool building);
  // On the worker thread: keeps the progress and has the window's thread show it.
  void Report(const fulltext::Progress& progress);

  Events events_;
  ReadingObserver reading_;           // see SetReadingObserver
  std::unique_ptr<fulltext::FullTextSession> session_;  // the archive of the last request
  std::string query_;                 // the running request's query
  fulltext::UpdatePlan plan_;         // the running update's plan
  bool busy_ = false;                 // a request is running
  bool building_ = false;             // its update is running
  unsigned stops_ = 0;                // Stop calls so far: a result of a step begun before
                                      // the last one is dropped
  std::mutex progress_mutex_;
  fulltext::Progress progress_;       // the latest progress, under progress_mutex_
  std::atomic<bool> progress_posted_{false};  // a status call for it is on its way
  std::jthread worker_;               // the running step, or the last one
};

}  // namespace vantorel::browser
