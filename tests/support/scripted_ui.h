// The test implementation of the Ui port: records every call and answers boxes, file, folder
// and password requests from a script. A box the script did not expect fails the running test
// and is answered with Cancel/No (Ok for a one-button box); a request without a scripted answer
// fails it and is cancelled. Whatever the script still holds at destruction fails the test as
// well.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/ui.h"

namespace vantorel::testing {

class ScriptedUi : public core::Ui {
 public:
  // Installs itself as the process's Ui; the previous one comes back at destruction.
  ScriptedUi();
  ~ScriptedUi() override;
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  // The next box must be exactly this kind, text and buttons (caption unchecked when
  // empty); it is answered with answer.
  ScriptedUi& Expect(core::BoxKind kind, const std::string& text, core::Buttons buttons,
                     core::Answer answer, const std::string& caption = {});
  // Shorthand for a one-button box.
  ScriptedUi& Expect(core::BoxKind kind, const std::string& text) {
    return Expect(kind, text, core::Buttons::Ok, core::Answer::Ok);
  }
  // The next file request is answered with file (nullopt: cancelled).
  ScriptedUi& AnswerFileRequest(std::optional<std::string> file);
  // The next folder request is answered with folder (nullopt: cancelled).
  ScriptedUi& AnswerFolderRequest(std::optional<std::string> folder);
  // The next password request is answered with password (nullopt: cancelled).
  ScriptedUi& AnswerPasswordRequest(std::optional<std::string> password);

  // True when every expected box and every scripted request has come.
  bool Done() const {
    return script_.empty() && file_answers_.empty() && folder_answers_.empty() &&
           password_answers_.empty();
  }

  core::Answer Show(const core::MessageBox& box) override;
  std::optional<std::string> AskForFile(const core::FileRequest& request) override;
  std::optional<std::string> AskForFolder(const core::FolderRequest& request) override;
  std::optional<std::string> AskForPassword(const core::PasswordRequest& request) override;
  void ShowProgress(const std::string& text) override { progress.push_back(text); }
  void SetBusy(bool busy) override { busy_depth += busy ? 1 : -1; }

  std::vector<core::MessageBox> boxes;              // every box shown, in order
  std::vector<core::FileRequest> file_requests;      // every file request, in order
  std::vector<core::FolderRequest> folder_requests;  // every folder request, in order
  std::vector<core::PasswordRequest> password_requests;  // every password request, in order
  std::vector<std::string> progress;                 // every progress text, in order
  int busy_depth = 0;                                // hourglass nesting now

 private:
  struct Expected {
    core::MessageBox box;
    core::Answer answer;
  };
  // The next of answers; a failure of the test (request names the request) when there is none.
  static std::optional<std::string> NextAnswer(std::deque<std::optional<std::string>>& answers,
                                               const std::string& request);

  std::deque<Expected> script_;                            // boxes still to come
  std::deque<std::optional<std::string>> file_answers_;    // answers to file requests
  std::deque<std::optional<std::string>> folder_answers_;  // answers to folder requests
  std::deque<std::optional<std::string>> password_answers_;  // answers to password requests
  core::Ui* previous_ = nullptr;                           // the Ui installed before
};

}  // namespace vantorel::testing
