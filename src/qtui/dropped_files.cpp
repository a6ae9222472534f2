#include "qtui/dropped_files.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "qtui/qt_text.h"

namespace vantorel::qtui {

void AcceptFileDrag(QDragEnterEvent& event) {
  if (event.mimeData()->hasUrls()) event.acceptProposedAction();
}

std::vector<std::string> TakeDroppedFiles(QDropEvent& event) {
  std::vector<std::string> files;
  for (const QUrl& url : event.mimeData()->urls())
    if (url.isLocalFile()) files.push_back(PathFromQString(url.toLocalFile()));
  event.acceptProposedAction();
  return files;
}

}  // namespace vantorel::qtui
