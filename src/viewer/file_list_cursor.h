// The file browser's View command in the viewer window: the selected files shown one after
// another, the window's exit button reading Next while files are to come. No widgets: the
// viewer window owns one cursor and asks it which file comes next and what the button says.
#pragma once

#include <string>
#include <vector>

namespace vantorel::viewer {

class FileListCursor {
 public:
  // Starts a list on files; the first is shown now. Once started, the cursor stays in list
  // mode for good (a later close ends the list, not the mode).
  // REQUIRES: files is not empty.
  void Start(std::vector<std::string> files);
  // The file shown first. REQUIRES: a list was started.
  const std::string& First() const { return files_.front(); }
  // True in list mode while a file is still to come.
  bool HasNext() const;
  // The next file; the cursor moves past it. REQUIRES: HasNext().
  std::string TakeNext();
  // True when another file follows the one shown (after Start or TakeNext).
  bool MoreToCome() const { return remaining_ > 0; }
  // Ends the list: no file comes any more.
  void End() { remaining_ = 0; }
  // True once a list was started.
  bool ListMode() const { return list_mode_; }
  // Files still to come after the one shown, and the index of the next one.
  int Remaining() const { return remaining_; }
  int Next() const { return next_; }

 private:
  std::vector<std::string> files_;  // full paths of the files to show
  bool list_mode_ = false;          // a list was started
  int remaining_ = 0;               // files still to come after the one shown
  int next_ = 0;                    // index in files_ of the next file
};

}  // namespace vantorel::viewer
