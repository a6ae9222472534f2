// The QApplication of a widget test executable, made on first use and never destroyed: a
// static QApplication would end after Qt's own statics and crash at exit.
#pragma once

#include <QApplication>

namespace vantorel::testing {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "vantorel_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* application = new QApplication(argc, argv);
  return *application;
}

}  // namespace vantorel::testing
