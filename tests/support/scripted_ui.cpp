#include "scripted_ui.h"

#include <gtest/gtest.h>

#include <utility>

namespace vantorel::testing {

namespace {
const char* KindName(core::BoxKind kind) {
  switch (kind) {
    case core::BoxKind::Information: return "information";
    case core::BoxKind::Warning: return "warning";
    case core::BoxKind::Error: return "error";
    case core::BoxKind::Confirmation: return "confirmation";
  }
  return "?";
}

core::Answer RefusingAnswer(core::Buttons buttons) {
  switch (buttons) {
    case core::Buttons::Ok: return core::Answer::Ok;
    case core::Buttons::OkCancel: return core::Answer::Cancel;
    case core::Buttons::YesNo: return core::Answer::No;
  }
  return core::Answer::Cancel;
}
}  // namespace

ScriptedUi::ScriptedUi() { previous_ = core::SetUi(this); }

ScriptedUi::~ScriptedUi() {
  core::SetUi(previous_);
  for (const auto& left : script_)
    ADD_FAILURE() << "expected " << KindName(left.box.kind) << " box never came: \""
                  << left.box.text << "\"";
  for (const auto& [answers, kind] : {std::pair{&file_answers_, "file"}, {&folder_answers_, "folder"},
                                      {&password_answers_, "password"}}) {
    if (!answers->empty())
      ADD_FAILURE() << "expected " << kind << " request never came (" << answers->size() << " left)";
  }
}

ScriptedUi& ScriptedUi::Expect(core::BoxKind kind, const std::string& text,
                               core::Buttons buttons, core::Answer answer,
                               const std::string& caption) {
  script_.push_back({{kind, caption, text, buttons}, answer});
  return *this;
}

ScriptedUi& ScriptedUi::AnswerFileRequest(std::optional<std::string> file) {
  file_answers_.push_back(std::move(file));
  return *this;
}

ScriptedUi& ScriptedUi::AnswerFolderRequest(std::optional<std::string> folder) {
  folder_answers_.push_back(std::move(folder));
  return *this;
}

ScriptedUi& ScriptedUi::AnswerPasswordRequest(std::optional<std::string> password) {
  password_answers_.push_back(std::move(password));
  return *this;
}

core::Answer ScriptedUi::Show(const core::MessageBox& box) {
  boxes.push_back(box);
  if (script_.empty()) {
    ADD_FAILURE() << "unexpected " << KindName(box.kind) << " box: \"" << box.text << "\"";
    return RefusingAnswer(box.buttons);
  }
  const Expected expected = script_.front();
  script_.pop_front();
  EXPECT_EQ(KindName(box.kind), std::string(KindName(expected.box.kind)));
  EXPECT_EQ(box.text, expected.box.text);
  EXPECT_TRUE(box.buttons == expected.box.buttons) << "buttons differ for \"" << box.text << "\"";
  if (!expected.box.caption.empty()) {
    EXPECT_EQ(box.caption, expected.box.caption);
  }
  return expected.answer;
}

std::optional<std::string> ScriptedUi::NextAnswer(std::deque<std::optional<std::string>>& answers,
                                                  const std::string& request) {
  if (answers.empty()) {
    ADD_FAILURE() << "unexpected " << request;
    return std::nullopt;
  }
  auto answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedUi::AskForFile(const core::FileRequest& request) {
  file_requests.push_back(request);
  return NextAnswer(file_answers_, "file request: \"" + request.title + "\"");
}

std::optional<std::string> ScriptedUi::AskForFolder(const core::FolderRequest& request) {
  folder_requests.push_back(request);
  return NextAnswer(folder_answers_, "folder request: \"" + request.title + "\" starting in \"" +
                                         request.initial_dir + "\"");
}

std::optional<std::string> ScriptedUi::AskForPassword(const core::PasswordRequest& request) {
  password_requests.push_back(request);
  return NextAnswer(password_answers_, "password request for \"" + request.archive + "\"");
}

}  // namespace vantorel::testing
