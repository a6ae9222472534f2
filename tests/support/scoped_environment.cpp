#include "scoped_environment.h"

#include <cstdlib>

namespace vantorel::testing {

ScopedEnvironment::ScopedEnvironment(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
  }
}

ScopedEnvironment::ScopedEnvironment(const char* name, const std::string& value)
    : ScopedEnvironment({name}) {
  ::setenv(name, value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->value)
      ::setenv(it->name, it->value->c_str(), 1);
    else
      ::unsetenv(it->name);
  }
}

}  // namespace vantorel::testing
