// The steps of the start-up set-up that only the main window can take. The set-up itself
// (command line, settings, outside programs) belongs to the program around the window.
#pragma once

#include <filesystem>
#include <string>

namespace vantorel::browser {

class MainFormSetupSteps {
 public:
  virtual ~MainFormSetupSteps() = default;
  // Points the placement store at the placement file.
  virtual void PointPlacementAt(const std::filesystem::path& placement_file) = 0;
  // Sets the open-file dialog's first folder.
  virtual void SetOpenDialogDir(const std::string& dir) = 0;
  // Sets the view's history limit and adds the History menu entries.
  virtual void PrepareHistory() = 0;
  // Accepts files dropped onto the window.
  virtual void AcceptDroppedFiles() = 0;
};

}  // namespace vantorel::browser
