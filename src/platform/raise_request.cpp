// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/raise_request.h"

#include <QDir>
#include <QLocalSocket>

#include "platform/single_instance.h"

namespace kestramo {

namespace {

constexpr int kWaitMilliseconds = 1000;
const QByteArray kRaise("raise\n");

}  // namespace

RaiseRequests::RaiseRequests(const QString& name, QObject* parent) : QObject(parent) {
  // Beside the single-instance lock: a shared fallback name could be taken by another user.
  if (const QString dir = PrivateRuntimeDir(); !dir.isEmpty()) path_ = QDir(dir).filePath(name);
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
  if (path_.isEmpty()) return false;
  // Only the holder of the single-instance lock gets here: a socket left behind is stale.
  QLocalServer::removeServer(path_);
  return server_.listen(path_);
}

bool RaiseRequests::AskRunning() const {
  if (path_.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(path_);
  if (!socket.waitForConnected(kWaitMilliseconds)) return false;
  socket.write(kRaise);
  const bool sent = socket.waitForBytesWritten(kWaitMilliseconds);
  socket.disconnectFromServer();
  return sent;
}

}  // namespace kestramo
