#include "platform/qt/single_instance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include "platform/shell_open.h"

namespace corvella {
namespace {

QString RuntimeFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
  return QDir::tempPath();
}

}  // namespace

SingleInstance::SingleInstance(const QString& programDir, QObject* parent) : QObject(parent) {
  // The folder itself, however it was named (a link, a trailing "/").
  QString dir = QFileInfo(programDir).canonicalFilePath();
  if (dir.isEmpty()) dir = QDir::cleanPath(QDir(programDir).absolutePath());
  const QByteArray hash =
      QCryptographicHash::hash(QFile::encodeName(dir), QCryptographicHash::Sha256).toHex().left(16);
  const QString base = QStringLiteral("%1/corvella-%2-%3")
                           .arg(RuntimeFolder())
                           .arg(::getuid())
                           .arg(QString::fromLatin1(hash));
  m_serverName = base + QStringLiteral(".sock");
  m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
  // Only a dead owner makes the lock stale, never its age.
  m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
  if (m_server != nullptr) m_server->close();
}

SingleInstance::Claim SingleInstance::claim(const QString& file, int timeoutMs) {
  m_error.clear();
  const QByteArray message =
      QByteArray::fromStdString(EncodeShellOpen(QFile::encodeName(file).toStdString()));
  QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    if (m_lock->tryLock(0)) {
      listen();
      return Claim::Running;
    }
    if (m_lock->error() != QLockFile::LockFailedError) {
      // The lock cannot be made at all (a folder without write access): run
      // without shell open rather than not at all.
      m_error = QStringLiteral("Cannot create the lock file in %1.").arg(RuntimeFolder());
      return Claim::Running;
    }
    // Another start holds the lock; it may not be listening yet.
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(
            std::max<qint64>(1, std::min<qint64>(1000, deadline.remainingTime())))) {
      socket.write(message);
      socket.waitForBytesWritten(std::max<qint64>(1, deadline.remainingTime()));
      while (socket.bytesAvailable() < 1 && socket.state() == QLocalSocket::ConnectedState &&
             !deadline.hasExpired()) {
        socket.waitForReadyRead(std::max<qint64>(1, deadline.remainingTime()));
      }
      char ack = 0;
      if (socket.read(&ack, 1) == 1 && ack == kShellOpenAck) return Claim::HandedOver;
    }
    if (deadline.hasExpired()) break;
    QThread::msleep(100);
  }
  m_error =
      QStringLiteral("Corvella is already running but does not answer (%1).").arg(m_serverName);
  return Claim::Failed;
}

bool SingleInstance::listen() {
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket file left by a program that crashed is in the way: the lock
  // says nobody uses it.
  QLocalServer::removeServer(m_serverName);
  if (!m_server->listen(m_serverName)) {
    m_error = QStringLiteral("Cannot listen on %1: %2").arg(m_serverName, m_server->errorString());
    return false;
  }
  connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
  return true;
}

void SingleInstance::accept() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
    if (socket->bytesAvailable() > 0) readFrom(socket);
  }
}

void SingleInstance::readFrom(QLocalSocket* socket) {
  // Everything so far stays in the socket's buffer until a whole message is
  // there; the decoder bounds how much that can be.
  const QByteArray bytes = socket->peek(socket->bytesAvailable());
  const ShellOpenMessage message =
      DecodeShellOpen(std::string_view(bytes.constData(), bytes.size()));
  if (message.status == ShellOpenMessage::Incomplete) return;
  if (message.status == ShellOpenMessage::Invalid) {
    socket->abort();
    return;
  }
  socket->read(static_cast<qint64>(message.used));
  socket->write(&kShellOpenAck, 1);
  socket->flush();
  socket->disconnectFromServer();
  emit openRequested(QFile::decodeName(QByteArray::fromStdString(message.path)));
}

}  // namespace corvella
