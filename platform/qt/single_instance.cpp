#include "platform/qt/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

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
  // Held open from here: the lock and the socket are made in the folder
  // that was checked, whatever happens to its path.
  std::string openError;
  m_rendezvous = UserFolder::Open(QFile::encodeName(m_folder).toStdString(), &openError);
  if (!m_rendezvous.IsOpen()) {
    m_error = QStringLiteral("No private folder for the running program's socket: %1.")
                  .arg(QString::fromStdString(openError));
    m_folder.clear();
    return;
  }
  const QString base = QStringLiteral("corvella-%1").arg(QString::fromLatin1(hash));
  m_socketFile = base + QStringLiteral(".sock");
  m_lockFile = base + QStringLiteral(".lock");
  m_serverName = m_folder + QLatin1Char('/') + m_socketFile;
}

SingleInstance::~SingleInstance() {
  if (m_listenFd) m_rendezvous.Remove(QFile::encodeName(m_socketFile).toStdString(), nullptr);
}

SingleInstance::Claim SingleInstance::claim(const QString& file, int timeoutMs) {
  // Without a private folder the program runs alone: it neither listens
  // nor hands anything to a socket it cannot trust.
  if (m_folder.isEmpty()) return Claim::Running;
  m_error.clear();
  const QString lockName = m_folder + QLatin1Char('/') + m_lockFile;
  std::string lockError;
  m_lockFd = m_rendezvous.OpenForAppend(QFile::encodeName(m_lockFile).toStdString(), &lockError);
  if (!m_lockFd) {
    m_error = QStringLiteral("Cannot create the lock file %1: %2")
                  .arg(lockName, QString::fromStdString(lockError));
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
                    .arg(lockName, QString::fromLocal8Bit(std::strerror(errno)));
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
  const std::string name = QFile::encodeName(m_socketFile).toStdString();
  const auto failed = [this](int error) {
    m_error = QStringLiteral("Cannot listen on %1: %2")
                  .arg(m_serverName, QString::fromLocal8Bit(std::strerror(error)));
    m_listenFd.reset();
    return false;
  };
  // A socket file left by a program that crashed is in the way: the lock
  // says nobody uses it.
  m_rendezvous.Remove(name, nullptr);
  m_listenFd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!m_listenFd) return failed(errno);
  // Bound within the folder that is held open, reached through its
  // descriptor; the socket is the user's alone.
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string within = "/proc/self/fd/" + std::to_string(m_rendezvous.Fd()) + "/" + name;
  if (within.size() >= sizeof address.sun_path) return failed(ENAMETOOLONG);
  std::memcpy(address.sun_path, within.c_str(), within.size() + 1);
  if (::bind(m_listenFd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return failed(errno);
  if (::fchmodat(m_rendezvous.Fd(), name.c_str(), 0600, 0) != 0) return failed(errno);
  if (::listen(m_listenFd.get(), 16) != 0) return failed(errno);
  m_notifier = new QSocketNotifier(m_listenFd.get(), QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::accept);
  return true;
}

void SingleInstance::forget(QLocalSocket* socket) {
  m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), socket), m_pending.end());
}

void SingleInstance::accept() {
  for (;;) {
    const int fd = ::accept4(m_listenFd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR) continue;
      if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM)
        return;  // all taken (or one gone before it was taken)
      // Out of descriptors: the connection that has waited longest for its
      // message gives its descriptor up, and the server goes on listening.
      if (!m_pending.empty()) {
        QLocalSocket* oldest = m_pending.front();
        forget(oldest);
        oldest->abort();
        oldest->deleteLater();
        continue;
      }
      // Nothing of ours to give up: listening pauses briefly instead of
      // being woken for the same connection at once.
      m_notifier->setEnabled(false);
      QTimer::singleShot(200, this, [this] { m_notifier->setEnabled(true); });
      return;
    }
    base::UniqueFd accepted(fd);
    // Only this user's programs may hand over files.
    if (!IsThisUser(fd)) continue;
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
      delete socket;
      continue;
    }
    accepted.release();
    m_pending.push_back(socket);
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      forget(socket);
      socket->deleteLater();
    });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
    // A message not complete in time will not be.
    QTimer::singleShot(kHandOverTimeoutMs, socket, [this, socket] {
      if (std::find(m_pending.begin(), m_pending.end(), socket) == m_pending.end()) return;
      forget(socket);
      socket->abort();
      socket->deleteLater();
    });
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
  forget(socket);
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
