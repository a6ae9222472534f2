// A copy of the program reduced to its single-instance handshake, for the two-process test.
//   single_instance_probe first NAME READY STOP RESULT: listens under NAME, creates READY,
//     waits until STOP exists, stops listening and writes "restore" or "none" into RESULT.
//   single_instance_probe second NAME: exits 0 when a starting copy answered (this copy
//     ends), 3 when none did (this copy starts normally).
#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include "platform/single_instance.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const QStringList arguments = application.arguments();
  if (arguments.size() == 3 && arguments[1] == QLatin1String("second")) {
    vantorel::platform::SingleInstance instance(arguments[2]);
    return instance.AskOtherCopyToRestore() ? 0 : 3;
  }
  if (arguments.size() == 6 && arguments[1] == QLatin1String("first")) {
    vantorel::platform::SingleInstance instance(arguments[2]);
    if (!instance.Listen()) return 4;
    QFile(arguments[3]).open(QIODevice::WriteOnly);
    for (int i = 0; i < 1000 && !QFile::exists(arguments[4]); ++i) QThread::msleep(10);
    const bool asked = instance.StopListening();
    QFile result(arguments[5]);
    result.open(QIODevice::WriteOnly);
    result.write(asked ? "restore" : "none");
    return 0;
  }
  return 2;
}
