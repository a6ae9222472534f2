#include "browser/link_programs.h"

#include "browser/link_router.h"
#include "platform/outside_programs.h"

namespace vantorel::browser {

void LaunchLinkProgram(std::string_view program, std::string_view parameters,
                       const platform::ChosenPrograms& chosen) {
  constexpr platform::Scripts kScripts = platform::Scripts::AsDocuments;
  if (program == kTextEditorProgram) {
    platform::LaunchProgram(parameters, "", kScripts, chosen);
  } else if (program == kMediaPlayerProgram) {
    const std::string_view prefix = kMediaPlayerParameters;
    platform::LaunchProgram(parameters.starts_with(prefix) ? parameters.substr(prefix.size()) : parameters, "",
                            kScripts, chosen);
  } else {
    platform::LaunchProgram(program, parameters, kScripts, chosen);
  }
}

}  // namespace vantorel::browser
