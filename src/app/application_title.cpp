#include "app/application_title.h"

namespace vantorel::app {

namespace {
std::string& Title() {
  static std::string title = kStartingTitle;
  return title;
}
}  // namespace

const std::string& ApplicationTitle() { return Title(); }

void SetApplicationTitle(std::string title) { Title() = std::move(title); }

}  // namespace vantorel::app
