#include "qtui/application_title.h"

namespace vantorel::qtui {

namespace {
std::string& Title() {
  static std::string title = kStartingTitle;
  return title;
}
}  // namespace

const std::string& ApplicationTitle() { return Title(); }

void SetApplicationTitle(std::string title) { Title() = std::move(title); }

}  // namespace vantorel::qtui
