// Environment variables set for one test (or one block) and put back as they were at the end.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace vantorel::testing {

class ScopedEnvironment {
 public:
  // Remembers the named variables; the test may set or unset them freely afterwards.
  explicit ScopedEnvironment(std::initializer_list<const char*> names);
  // Sets name to value.
  ScopedEnvironment(const char* name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  struct Saved {
    const char* name;
    std::optional<std::string> value;  // nullopt: was not set
  };
  std::vector<Saved> saved_;
};

}  // namespace vantorel::testing
