#include "app/splash.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

#include <cstdlib>

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

// A count that does not fit widens the box about its centre, whole; the box keeps that width
// while the count changes and takes its own back with its own text.
TEST(Splash, ACountThatDoesNotFitWidensTheBoxAboutItsCentre) {
  TestApplication();
  QPointer<Splash> splash = new Splash;
  splash->ShowNow();
  auto* label = splash->findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  const QRect own = splash->geometry();

  splash->ShowProgress(QStringLiteral("Indexing kwkey.ndx... 100% of 978,433 records"));
  const QRect wide = splash->geometry();
  EXPECT_GT(wide.width(), own.width());
  EXPECT_LE(label->geometry().right(), wide.width());
  EXPECT_LE(std::abs(wide.center().x() - own.center().x()), 1);
  splash->ShowProgress(QStringLiteral("Indexing kwkey.ndx... 5% of 978,433 records"));
  EXPECT_EQ(splash->geometry(), wide);

  splash->ShowProgress(QString());
  EXPECT_EQ(splash->geometry(), own);
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
