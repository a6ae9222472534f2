#include "platform/single_instance.h"

#include <unistd.h>

#include <QLocalSocket>

namespace vantorel::platform {

namespace {
constexpr char kRestoreRequest[] = "restore\n";
}  // namespace

SingleInstance::SingleInstance(QString name) : name_(std::move(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
}

QString SingleInstance::NameFor(const std::filesystem::path& program_file) {
  return QStringLiteral("%1-%2")
      .arg(QString::fromStdString(program_file.filename().string()))
      .arg(static_cast<qulonglong>(::getuid()));
}

bool SingleInstance::AskOtherCopyToRestore(int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeout_ms)) return false;
  socket.write(kRestoreRequest);
  socket.waitForBytesWritten(timeout_ms);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Listen() {
  if (server_.listen(name_)) return true;
  if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
  QLocalServer::removeServer(name_);  // left by a copy that did not end cleanly
  return server_.listen(name_);
}

bool SingleInstance::StopListening() {
  bool asked = false;
  if (server_.isListening()) {
    bool timed_out = false;
    while (server_.waitForNewConnection(0, &timed_out) && !timed_out) {
      while (QLocalSocket* socket = server_.nextPendingConnection()) {
        asked = true;
        socket->abort();
        delete socket;
      }
    }
    server_.close();
  }
  return asked;
}

}  // namespace vantorel::platform
