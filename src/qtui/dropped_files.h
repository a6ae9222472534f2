// Files dragged from the desktop onto a window.
#pragma once

#include <string>
#include <vector>

class QDragEnterEvent;
class QDropEvent;

namespace vantorel::qtui {

// Accepts a drag that carries addresses (files from the desktop).
void AcceptFileDrag(QDragEnterEvent& event);
// Accepts the drop and returns its local files as path texts, in the order dropped.
std::vector<std::string> TakeDroppedFiles(QDropEvent& event);

}  // namespace vantorel::qtui
