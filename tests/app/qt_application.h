// The QApplication of a widget test executable, made on first use.
#pragma once

#include <QApplication>

namespace vantorel::app {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
  return application;
}

}  // namespace vantorel::app
