#include "answering_ui.h"

#include <cstdio>

#include "core/code_pages.h"

namespace vantorel::tools::search {

AnsweringUi::AnsweringUi(bool yes) : yes_(yes) { previous_ = core::SetUi(this); }

AnsweringUi::~AnsweringUi() { core::SetUi(previous_); }

core::Answer AnsweringUi::Show(const core::MessageBox& box) {
  if (box.kind == core::BoxKind::Error)
    std::fprintf(stderr, "vantorel-search: %s\n", core::Utf8OrCp1252ToUtf8(box.text).c_str());
  else
    last_message_ = box.text;
  switch (box.buttons) {
    case core::Buttons::Ok: return core::Answer::Ok;
    case core::Buttons::OkCancel: return yes_ ? core::Answer::Ok : core::Answer::Cancel;
    case core::Buttons::YesNo: return yes_ ? core::Answer::Yes : core::Answer::No;
  }
  return core::Answer::Cancel;
}

}  // namespace vantorel::tools::search
