// What the file browser's View command needs of the viewer window.
#pragma once

#include <string>
#include <vector>

namespace vantorel::viewer {

class FileListViewer {
 public:
  virtual ~FileListViewer() = default;

  // Shows the files (full paths) one after another, modally: loads the first file as text with
  // the caption "Source Viewer: " + its path, labels the Close button "Close" (one file) or
  // "Next..." (more) and returns when the window closes. Nothing for no files. Throws the
  // view's error when the first file cannot be loaded; the window is then not shown.
  virtual void ShowFileList(const std::vector<std::string>& files) = 0;
};

}  // namespace vantorel::viewer
