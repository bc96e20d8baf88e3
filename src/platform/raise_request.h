// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace kestramo {

// A second start asks the running program to bring its window forward, through a local
// socket in the user's private runtime folder, beside the single-instance lock. The single-instance lock decides who
// runs; this only carries the request.
class RaiseRequests : public QObject {
  Q_OBJECT

 public:
  // `name` is the socket's file name in the private runtime folder; without one, nothing is
  // listened to or asked.
  explicit RaiseRequests(const QString& name = QStringLiteral("kestramo-raise"), QObject* parent = nullptr);

  // The running program listens; a stale socket of a program that ended is replaced.
  bool Listen();
  // Asks the running program to raise its window; false when none answered.
  bool AskRunning() const;
  QString SocketPath() const { return path_; }

 signals:
  void RaiseRequested();

 private:
  QString path_;
  QLocalServer server_;
};

}  // namespace kestramo
