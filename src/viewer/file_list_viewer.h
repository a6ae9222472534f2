// What the file browser's View command needs of the viewer window.
#pragma once

namespace vantorel::viewer {

class FileListViewer {
 public:
  virtual ~FileListViewer() = default;

  // Shows the files of core::ViewFileList().ViewList (at least one) one after another, modally:
  // sets ViewListMode, loads the first file as text with the caption "Source Viewer: " + its path,
  // labels the Close button "Close" (one file) or "Next..." (more), sets ViewListRemaining to the
  // number of files - 1 and ViewListNext to 1, and returns when the window closes. Throws the
  // view's error when the first file cannot be loaded; the window is then not shown.
  virtual void ShowFileList() = 0;
};

}  // namespace vantorel::viewer
