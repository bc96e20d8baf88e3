#include "platform/raise_request.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace kestramo {

namespace {

constexpr int kWaitMilliseconds = 1000;
const QByteArray kRaise("raise\n");

}  // namespace

RaiseRequests::RaiseRequests(const QString& name, QObject* parent)
    : QObject(parent), path_(QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).filePath(name)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (client->readAll().contains(kRaise)) emit RaiseRequested();
      });
    }
  });
}

bool RaiseRequests::Listen() {
  // Only the holder of the single-instance lock gets here: a socket left behind is stale.
  QLocalServer::removeServer(path_);
  return server_.listen(path_);
}

bool RaiseRequests::AskRunning() const {
  QLocalSocket socket;
  socket.connectToServer(path_);
  if (!socket.waitForConnected(kWaitMilliseconds)) return false;
  socket.write(kRaise);
  const bool sent = socket.waitForBytesWritten(kWaitMilliseconds);
  socket.disconnectFromServer();
  return sent;
}

}  // namespace kestramo
