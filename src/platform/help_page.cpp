#include "platform/help_page.h"

namespace vantorel::platform {

namespace {
HelpPageHandler& Handler() {
  static HelpPageHandler handler;
  return handler;
}
}  // namespace

void ShowHelpPage(std::string_view page_reference) {
  if (Handler()) Handler()(std::string(page_reference));
}

HelpPageHandler SetHelpPageHandler(HelpPageHandler handler) {
  HelpPageHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

}  // namespace vantorel::platform
