#include "scripted_ui.h"

#include <gtest/gtest.h>

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
  if (!file_answers_.empty())
    ADD_FAILURE() << "expected file request never came (" << file_answers_.size() << " left)";
  if (!folder_answers_.empty())
    ADD_FAILURE() << "expected folder request never came (" << folder_answers_.size()
                  << " left)";
  if (!password_answers_.empty())
    ADD_FAILURE() << "expected password request never came (" << password_answers_.size()
                  << " left)";
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

std::optional<std::string> ScriptedUi::AskForFile(const core::FileRequest& request) {
  file_requests.push_back(request);
  if (file_answers_.empty()) {
    ADD_FAILURE() << "unexpected file request: \"" << request.title << "\"";
    return std::nullopt;
  }
  auto answer = file_answers_.front();
  file_answers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedUi::AskForFolder(const core::FolderRequest& request) {
  folder_requests.push_back(request);
  if (folder_answers_.empty()) {
    ADD_FAILURE() << "unexpected folder request: \"" << request.title << "\" starting in \""
                  << request.initial_dir << "\"";
    return std::nullopt;
  }
  auto answer = folder_answers_.front();
  folder_answers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedUi::AskForPassword(const core::PasswordRequest& request) {
  password_requests.push_back(request);
  if (password_answers_.empty()) {
    ADD_FAILURE() << "unexpected password request for \"" << request.archive << "\"";
    return std::nullopt;
  }
  auto answer = password_answers_.front();
  password_answers_.pop_front();
  return answer;
}

}  // namespace vantorel::testing
