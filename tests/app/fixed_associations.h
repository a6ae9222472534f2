// Desktop associations with fixed answers by file extension, installed while the object lives.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "core/texts.h"
#include "platform/outside_programs.h"

namespace vantorel::app {

class FixedAssociations : public platform::DesktopAssociations {
 public:
  FixedAssociations() { previous_ = platform::SetAssociations(this); }
  ~FixedAssociations() override { platform::SetAssociations(previous_); }
  FixedAssociations(const FixedAssociations&) = delete;
  FixedAssociations& operator=(const FixedAssociations&) = delete;

  std::string ProgramFor(const std::filesystem::path& file) const override {
    ++questions;
    const auto found = programs.find(core::UpperCaseAscii(file.extension().string()));
    return found == programs.end() ? std::string() : found->second;
  }
  std::string ContentTypeOf(const std::filesystem::path&) const override { return {}; }
  platform::DesktopLaunch OpenWithDefault(const std::filesystem::path&,
                                          const std::string&) const override {
    return {};
  }
  platform::DesktopLaunch OpenWithApplication(const std::filesystem::path&, const std::string&,
                                              bool) const override {
    return {};
  }

  std::map<std::string, std::string> programs;  // upper-case extension (".PDF") to program
  mutable int questions = 0;                    // how often the desktop was asked

 private:
  const platform::DesktopAssociations* previous_ = nullptr;  // the associations before
};

}  // namespace vantorel::app
