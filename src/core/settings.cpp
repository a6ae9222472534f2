#include "core/settings.h"

namespace vantorel::core {

BrowserSettings& Settings() {
  static BrowserSettings settings;
  return settings;
}

}  // namespace vantorel::core
