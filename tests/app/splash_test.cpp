#include "app/splash.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include "qt_application.h"

namespace vantorel::app {
namespace {

using testing::TestApplication;

TEST(Splash, LooksAsDesigned) {
  TestApplication();
  QPointer<Splash> splash = new Splash;
  splash->ShowNow();
  EXPECT_TRUE(splash->isVisible());
  EXPECT_EQ(splash->size(), QSize(312, 57));
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(splash->palette().color(QPalette::Window), QColor(192, 220, 192));
  auto* label = splash->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("Loading/Indexing, please wait"));
  EXPECT_EQ(label->pos(), QPoint(31, 16));
  EXPECT_EQ(label->font().pixelSize(), 19);
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(128, 0, 0));
  splash->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(splash.isNull());
}

// While the catalogue opens, the splash names the index being built, then says its own text
// again; the label grows to the text.
TEST(Splash, ShowsProgressTextsInPlaceOfItsOwn) {
  TestApplication();
  QPointer<Splash> splash = new Splash;
  splash->ShowNow();
  auto* label = splash->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  splash->ShowProgress(QStringLiteral("Indexing kwkey.ndx..."));
  EXPECT_EQ(label->text(), QStringLiteral("Indexing kwkey.ndx..."));
  EXPECT_GE(label->width(), label->sizeHint().width());
  splash->ShowProgress(QString());
  EXPECT_EQ(label->text(), QStringLiteral("Loading/Indexing, please wait"));
  splash->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Splash, ClosesOnAKeyAndWhenAnotherWindowBecomesActive) {
  TestApplication();
  QPointer<Splash> keyed = new Splash;
  keyed->ShowNow();
  QTest::keyClick(keyed.data(), Qt::Key_Space);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(keyed.isNull());

  QPointer<Splash> splash = new Splash;
  splash->ShowNow();
  QWidget main_window;
  main_window.show();
  main_window.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&main_window));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(splash.isNull());
}

}  // namespace
}  // namespace vantorel::app
