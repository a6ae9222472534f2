#include "app/splash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace vantorel::app {

namespace {
constexpr char kLoadingText[] = "Loading/Indexing, please wait";
constexpr int kWidth = 312;
constexpr int kHeight = 57;
const QColor kBackground(192, 220, 192);  // colour value 12639424
const QColor kMaroon(128, 0, 0);
}  // namespace

Splash::Splash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kWidth, kHeight);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, kBackground);
  setPalette(colours);

  label_ = new QLabel(QString::fromLatin1(kLoadingText), this);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(19);
  label_->setFont(font);
  QPalette text = label_->palette();
  text.setColor(QPalette::WindowText, kMaroon);
  label_->setPalette(text);
  label_->move(31, 16);
  label_->adjustSize();

  connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
    if (focus != nullptr && focus != windowHandle()) close();
  });
}

void Splash::ShowNow() {
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(kWidth / 2, kHeight / 2));
  show();
  // Paint before start-up goes on: wait (briefly) until the window is on screen.
  QElapsedTimer waited;
  waited.start();
  while (!(windowHandle() != nullptr && windowHandle()->isExposed()) && waited.elapsed() < 200)
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Splash::ShowProgress(const QString& text) {
  label_->setText(text.isEmpty() ? QString::fromLatin1(kLoadingText) : text);
  label_->adjustSize();
  // A longer text widens the box about its centre; it never narrows during one progress run,
  // so a changing count does not make it jitter.
  const int needed = label_->x() * 2 + label_->width();
  const int wanted = text.isEmpty() ? kWidth : std::max(width(), needed);
  if (wanted != width()) {
    const int centre = x() + width() / 2;
    setFixedSize(wanted, kHeight);
    move(centre - wanted / 2, y());
  }
  repaint();
}

void Splash::showEvent(QShowEvent* event) {
  setCursor(Qt::ArrowCursor);
  QWidget::showEvent(event);
}

void Splash::keyPressEvent(QKeyEvent*) { close(); }

}  // namespace vantorel::app
