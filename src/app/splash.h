// The start-up splash: "Loading/Indexing, please wait" in a borderless box centred on the
// screen, shown and painted before anything else starts. While the catalogue is opened it
// names the index being built. It closes itself, and is destroyed, when another window of the
// program becomes active or when a key is pressed in it.
#pragma once

#include <QWidget>

class QLabel;

namespace vantorel::app {

class Splash : public QWidget {
 public:
  Splash();

  // Shows the splash, centred, and paints it at once.
  void ShowNow();
  // Shows a progress text ("Indexing kwaid.ndx... 40% of 978,433 records") in place of the
  // label's own and paints it at once, widening the box about its centre when the text needs
  // more room; empty puts "Loading/Indexing, please wait" and the box's own width back.
  void ShowProgress(const QString& text);

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* label_;  // "Loading/Indexing, please wait"
};

}  // namespace vantorel::app
