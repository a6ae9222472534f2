#include "dialogs/progress_redirect.h"

namespace vantorel::dialogs {

ProgressRedirect::ProgressRedirect(Target target)
    : target_(std::move(target)), previous_(core::CurrentUi()) {
  core::SetUi(this);
}

ProgressRedirect::~ProgressRedirect() { core::SetUi(&previous_); }

}  // namespace vantorel::dialogs
