#pragma once
// One running program per user and program directory. The first start
// becomes the running program and listens on a local socket; a later start
// hands its file to it (platform/shell_open.h) and ends.
//
// The socket and a lock file live in $XDG_RUNTIME_DIR (else the temporary
// folder), named after the user and a hash of the program directory. The lock
// decides who runs: it is held for the running program's life and given up by
// the system when the process ends, so a crashed program never blocks the
// next start.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace corvella {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `programDir`: the folder whose running program this is.
  explicit SingleInstance(const QString& programDir, QObject* parent = nullptr);
  ~SingleInstance() override;

  enum class Claim {
    Running,     // this process is the running program now
    HandedOver,  // another one runs and has taken the file: end this process
    Failed,      // another one runs but did not answer (errorString())
  };
  // Becomes the running program, or hands `file` (absolute; "" only raises
  // the other's window) to the one that runs, waiting at most `timeoutMs`
  // for its answer. Running with an errorString(): this process runs, but
  // without the socket (no lock file or no socket could be made).
  Claim claim(const QString& file, int timeoutMs = 10000);

  QString errorString() const { return m_error; }
  // The socket's path.
  QString serverName() const { return m_serverName; }

 signals:
  // A later start asked to open `path` ("": only to come to the front).
  void openRequested(const QString& path);

 private:
  bool listen();
  void accept();
  void readFrom(QLocalSocket* socket);

  QString m_serverName;
  std::unique_ptr<QLockFile> m_lock;
  QLocalServer* m_server = nullptr;
  QString m_error;
};

}  // namespace corvella
