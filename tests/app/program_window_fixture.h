// The set-up of tests that make the program's main window: a program folder, the small
// archive, a configuration folder, no CD-ROM drive and no programs on the desktop.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "archive_fixture.h"
#include "core/settings.h"
#include "fixed_associations.h"
#include "platform/cd_drive.h"
#include "qt_application.h"
#include "temp_dir.h"

namespace vantorel::app {

class ProgramWindowTest : public ::testing::Test {
 protected:
  ProgramWindowTest() : no_cd_(dir_.Write("mounts", ""), dir_.path() / "fstab") {
    testing::TestApplication();
    previous_mounts_ = platform::SetMountTable(&no_cd_);
    program_ = dir_.Write("bin/vantorel", "");
    archive_ = WriteSmallArchive(dir_, "archive");
    config_ = dir_.path() / "config";
    core::Settings() = {};
  }
  ~ProgramWindowTest() override {
    platform::SetMountTable(previous_mounts_);
    core::Settings() = {};
  }

  testing::TempDir dir_;
  platform::MountTableFiles no_cd_;
  const platform::MountTable* previous_mounts_ = nullptr;
  FixedAssociations no_programs_;
  std::filesystem::path program_, config_;
  std::string archive_;
};

}  // namespace vantorel::app
