#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "platform/shell_open.h"

namespace corvella {
namespace {

// Why `path` is no private folder of this user, "" when it is one.
QString PrivateFolderFault(const QString& path) {
  struct stat st;
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
  if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is not a folder").arg(path);
  if (st.st_uid != ::getuid()) return QStringLiteral("%1 belongs to another user").arg(path);
  if ((st.st_mode & 077) != 0)
    return QStringLiteral("%1 is open to other users (mode %2)")
        .arg(path)
        .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
  return {};
}

// The uid at the other end of a connected local socket, -1 when unknown.
long PeerUid(qintptr descriptor) {
  struct ucred cred {};
  socklen_t size = sizeof cred;
  if (descriptor < 0 ||
      ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0)
    return -1;
  return static_cast<long>(cred.uid);
}

bool IsThisUser(qintptr descriptor) { return PeerUid(descriptor) == static_cast<long>(::getuid()); }

}  // namespace

QString RendezvousFolder(QString* error) {
  QStringList faults;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const QString userRuntime = QStringLiteral("/run/user/%1").arg(::getuid());
  for (const QString& candidate : {runtime, userRuntime}) {
    if (candidate.isEmpty() || !QFileInfo::exists(candidate)) continue;
    const QString fault = PrivateFolderFault(candidate);
    if (fault.isEmpty()) return candidate;
    faults << fault;
  }
  // No runtime folder: a folder of our own in the user's cache. Its parent
  // must be the user's too and writable by nobody else, so nobody can put a
  // link or a folder of theirs in its place.
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (!QDir::isAbsolutePath(cache)) {
    const QString home = qEnvironmentVariable("HOME", QDir::homePath());
    cache = home + QStringLiteral("/.cache");
  }
  QDir().mkpath(cache);
  struct stat parent;
  if (::lstat(QFile::encodeName(cache).constData(), &parent) != 0 || !S_ISDIR(parent.st_mode) ||
      parent.st_uid != ::getuid() || (parent.st_mode & 022) != 0) {
    faults << QStringLiteral("%1 is not a folder of this user that only the user can write to")
                  .arg(cache);
  } else {
    const QString folder = cache + QStringLiteral("/corvella-instance");
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
      faults << QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
    } else {
      const QString fault = PrivateFolderFault(folder);
      if (fault.isEmpty()) return folder;
      faults << fault;
    }
  }
  if (error != nullptr) *error = faults.join(QStringLiteral("; "));
  return {};
}

SingleInstance::SingleInstance(const QString& programDir, QObject* parent) : QObject(parent) {
  // The folder itself, however it was named (a link, a trailing "/").
  QString dir = QFileInfo(programDir).canonicalFilePath();
  if (dir.isEmpty()) dir = QDir::cleanPath(QDir(programDir).absolutePath());
  const QByteArray hash =
      QCryptographicHash::hash(QFile::encodeName(dir), QCryptographicHash::Sha256).toHex().left(16);
  QString folderError;
  m_folder = RendezvousFolder(&folderError);
  if (m_folder.isEmpty()) {
    m_error =
        QStringLiteral("No private folder for the running program's socket: %1.").arg(folderError);
    return;
  }
  const QString base = QStringLiteral("%1/corvella-%2").arg(m_folder, QString::fromLatin1(hash));
  m_serverName = base + QStringLiteral(".sock");
  m_lockName = base + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() {
  if (m_server != nullptr) m_server->close();
}

SingleInstance::Claim SingleInstance::claim(const QString& file, int timeoutMs) {
  // Without a private folder the program runs alone: it neither listens
  // nor hands anything to a socket it cannot trust.
  if (m_folder.isEmpty()) return Claim::Running;
  m_error.clear();
  const QByteArray lockPath = QFile::encodeName(m_lockName);
  m_lockFd.reset(::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!m_lockFd) {
    m_error = QStringLiteral("Cannot create the lock file %1: %2")
                  .arg(m_lockName, QString::fromLocal8Bit(std::strerror(errno)));
    return Claim::Running;
  }
  const QByteArray message =
      QByteArray::fromStdString(EncodeShellOpen(QFile::encodeName(file).toStdString()));
  QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    if (::flock(m_lockFd.get(), LOCK_EX | LOCK_NB) == 0) {
      listen();
      return Claim::Running;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) {
      m_error = QStringLiteral("Cannot lock %1: %2")
                    .arg(m_lockName, QString::fromLocal8Bit(std::strerror(errno)));
      m_lockFd.reset();
      return Claim::Running;
    }
    // Another start holds the lock; it may not be listening yet.
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (socket.waitForConnected(
            std::max<qint64>(1, std::min<qint64>(1000, deadline.remainingTime())))) {
      // Nothing goes to a program of another user, whoever put it there.
      if (!IsThisUser(socket.socketDescriptor())) {
        socket.abort();
        m_lockFd.reset();
        m_error =
            QStringLiteral("The program listening on %1 is not this user's.").arg(m_serverName);
        return Claim::Failed;
      }
      socket.write(message);
      socket.waitForBytesWritten(std::max<qint64>(1, deadline.remainingTime()));
      while (socket.bytesAvailable() < 1 && socket.state() == QLocalSocket::ConnectedState &&
             !deadline.hasExpired()) {
        socket.waitForReadyRead(std::max<qint64>(1, deadline.remainingTime()));
      }
      char ack = 0;
      if (socket.read(&ack, 1) == 1 && ack == kShellOpenAck) {
        m_lockFd.reset();
        return Claim::HandedOver;
      }
    }
    if (deadline.hasExpired()) break;
    QThread::msleep(100);
  }
  m_lockFd.reset();
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
    // Only this user's programs may hand over files.
    if (!IsThisUser(socket->socketDescriptor())) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
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
