#include "platform/browser_settings.h"

namespace vantorel::platform {

BrowserSettings& Settings() {
  static BrowserSettings settings;
  return settings;
}

}  // namespace vantorel::platform
