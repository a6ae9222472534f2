#include "core/progress_redirect.h"

namespace vantorel::core {

ProgressRedirect::ProgressRedirect(Target target)
    : target_(std::move(target)), previous_(CurrentUi()) {
  SetUi(this);
}

ProgressRedirect::~ProgressRedirect() { SetUi(&previous_); }

}  // namespace vantorel::core
