#pragma once
// One running program per user and program directory. The first start
// becomes the running program and listens on a local socket; a later start
// hands its file to it (platform/shell_open.h) and ends.
//
// The socket and a lock file live only in a folder that the user alone owns
// and can enter (RendezvousFolder()), named after a hash of the program
// directory. The lock is an flock(2) lock held for the running program's
// life and given up by the system when the process ends, so a crashed
// program never blocks the next start. Both ends check the other's user
// (SO_PEERCRED) before anything is handed over: a path goes only to a
// program of the same user, and only such a program's paths are opened.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>

#include "base/unique_fd.h"
#include "platform/user_folder.h"

class QLocalSocket;
class QSocketNotifier;

namespace corvella {

// The folder of the lock and the socket, created when it is missing:
// $XDG_RUNTIME_DIR; else /run/user/<uid>; else <cache>/corvella-instance,
// <cache> being $XDG_CACHE_HOME or ~/.cache. A folder is used only when it
// is a real folder (not a link) owned by this user that group and others
// cannot enter; one that is not is passed over for the next. "" with
// `error` set when none qualifies. A start without XDG_RUNTIME_DIR finds the
// same folder as one with it wherever the variable names /run/user/<uid>,
// as a log-in session sets it.
QString RendezvousFolder(QString* error);

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `programDir`: the folder whose running program this is.
  explicit SingleInstance(const QString& programDir, QObject* parent = nullptr);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Claim {
    Running,     // this process is the running program now
    HandedOver,  // another one runs and has taken the file: end this process
    Failed,      // another one runs but did not answer, or is not this
                 // user's (errorString())
  };
  // Becomes the running program, or hands `file` (absolute; "" only raises
  // the other's window) to the one that runs, waiting at most `timeoutMs`
  // for its answer. Running with an errorString(): this process runs, but
  // without the socket (no private folder, lock or socket could be made).
  Claim claim(const QString& file, int timeoutMs = 10000);

  QString errorString() const { return m_error; }
  // A connection that has not finished its message within this time is
  // closed, so stalled peers cannot pile up; when descriptors run out, the
  // oldest unfinished one is closed first and the program keeps listening.
  static constexpr int kHandOverTimeoutMs = 5000;
  // The socket's path ("" without a private folder).
  QString serverName() const { return m_serverName; }

 signals:
  // A later start of the same user asked to open `path` ("": only to come
  // to the front).
  void openRequested(const QString& path);

 private:
  bool listen();
  void accept();
  void readFrom(QLocalSocket* socket);
  void forget(QLocalSocket* socket);

  QString m_folder;
  UserFolder m_rendezvous;  // m_folder, checked and held open
  QString m_serverName;
  QString m_socketFile;  // the names within m_rendezvous
  QString m_lockFile;
  base::UniqueFd m_lockFd;    // open while this process is the running program
  base::UniqueFd m_listenFd;  // the listening socket
  QSocketNotifier* m_notifier = nullptr;
  std::deque<QLocalSocket*> m_pending;  // connections whose message is not complete, oldest first
  QString m_error;
};

}  // namespace corvella
