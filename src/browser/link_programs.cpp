#include "browser/link_programs.h"

#include "browser/link_router.h"
#include "platform/outside_programs.h"

namespace vantorel::browser {

void LaunchLinkProgram(std::string_view program, std::string_view parameters) {
  if (program == kTextEditorProgram) {
    platform::LaunchProgram(parameters, "");
  } else if (program == kMediaPlayerProgram) {
    const std::string_view prefix = kMediaPlayerParameters;
    platform::LaunchProgram(parameters.starts_with(prefix) ? parameters.substr(prefix.size()) : parameters, "");
  } else {
    platform::LaunchProgram(program, parameters);
  }
}

}  // namespace vantorel::browser
