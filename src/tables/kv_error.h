// The table engine's error: a numeric code and a detail text.
#pragma once

#include <stdexcept>
#include <string>

namespace vantorel::tables {

class EKvError : public std::runtime_error {
 public:
  EKvError(int code, std::string detail);

  int Code() const { return code_; }
  const std::string& Detail() const { return detail_; }

 private:
  int code_;            // the engine's error code (for example 212, 220, 1003)
  std::string detail_;  // the detail text, code page 1252
};

}  // namespace vantorel::tables
