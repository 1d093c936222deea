#include "zeltrpc/rpc/transport.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <mutex>
#include <new>

#include "zeltrpc/rpc/settings.h"
#include "zeltrpc/rpc/status.h"

namespace zeltrpc::rpc {

std::string socketDirectory() {
  if (auto set = socketDirSetting()) return *set;
  if (const char* d = std::getenv("ZELTRPC_DIR"); d && *d) return d;
  if (const char* x = std::getenv("XDG_RUNTIME_DIR"); x && *x) return std::string(x) + "/zeltrpc";
  return "/tmp/zeltrpc-" + std::to_string(::getuid());
}

uint32_t checkSocketDirectory(const std::string& dir, bool create, std::string* why) {
  auto reason = [&](const std::string& text, uint32_t status) {
    if (why) *why = dir + ": " + text;
    return status;
  };
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) {
    if (errno != ENOENT || !create) return reason(std::strerror(errno), kServerUnavailable);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
      return reason(std::string("cannot create: ") + std::strerror(errno), kAccessDenied);
    if (::lstat(dir.c_str(), &st) != 0) return reason(std::strerror(errno), kAccessDenied);
  }
  if (!S_ISDIR(st.st_mode)) return reason("not a directory", kAccessDenied);
  if (st.st_uid != ::getuid()) return reason("owned by another user", kAccessDenied);
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return reason("writable by group or others", kAccessDenied);
  return kOk;
}

uint32_t checkEndpointName(const std::string& e) {
  if (e.empty() || e.size() > 53 || e == "." || e == ".." ||
      e.find_first_of("/\\") != std::string::npos || e.find('\0') != std::string::npos)
    return kInvalidEndpointFormat;
  return kOk;
}

uint32_t socketPath(const std::string& dir, const std::string& endpoint, std::string& path) {
  if (uint32_t s = checkEndpointName(endpoint)) return s;
  path = dir + "/" + endpoint;
  if (path.size() >= sizeof(sockaddr_un{}.sun_path)) return kInvalidEndpointFormat;
  return kOk;
}

std::chrono::milliseconds callTimeout() {
  constexpr std::chrono::milliseconds kDefault{10000};
  if (auto set = timeoutSetting()) return *set;
  const char* t = std::getenv("ZELTRPC_TIMEOUT_MS");
  if (!t || !*t) return kDefault;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(t, &end, 10);
  if (errno == 0 && end != t && *end == '\0' && v > 0 && v <= 24LL * 3600 * 1000)
    return std::chrono::milliseconds(v);
  diagnose("ZELTRPC_TIMEOUT_MS=\"" + std::string(t).substr(0, 40) +
           "\" is not a number of milliseconds from 1 to 86400000; using 10000");
  return kDefault;
}

namespace {

// Fixed storage, no allocation: what the library leaves behind at unload is
// nothing but its own mapped memory.
std::mutex g_diagnosedMutex;
size_t g_diagnosed[32];
size_t g_diagnosedCount = 0;

// Descriptor + 1 per slot; 0: free.
std::atomic<int> g_connectionFds[64];

}  // namespace

void trackConnectionFd(int fd) {
  for (auto& slot : g_connectionFds) {
    int expected = 0;
    if (slot.compare_exchange_strong(expected, fd + 1)) return;
  }
}

void untrackConnectionFd(int fd) {
  for (auto& slot : g_connectionFds) {
    int expected = fd + 1;
    if (slot.compare_exchange_strong(expected, 0)) return;
  }
}

void transportAfterForkInChild() {
  for (auto& slot : g_connectionFds)
    if (const int fd = slot.exchange(0) - 1; fd >= 0) ::close(fd);
  new (&g_diagnosedMutex) std::mutex;  // a thread of the parent may have held it
}

void diagnose(const std::string& text) {
  const size_t h = std::hash<std::string>{}(text);
  {
    std::lock_guard lock(g_diagnosedMutex);
    for (size_t i = 0; i < g_diagnosedCount; ++i)
      if (g_diagnosed[i] == h) return;
    if (g_diagnosedCount < std::size(g_diagnosed)) g_diagnosed[g_diagnosedCount++] = h;
  }
  const std::string line = "zeltrpc: " + text + "\n";
  size_t done = 0;
  while (done < line.size()) {
    ssize_t n = ::write(2, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

namespace {

bool setTimeout(int fd, int option, std::chrono::microseconds t) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(t.count() / 1000000);
  tv.tv_usec = static_cast<suseconds_t>(t.count() % 1000000);
  return ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

}  // namespace

uint32_t connectUnix(const std::string& path, std::chrono::milliseconds timeout, int& fd) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return kInvalidEndpointFormat;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  UniqueFd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!s) return kOutOfMemory;
  // A Unix stream connect waits for backlog room bounded by the send time-out.
  setTimeout(s.get(), SO_SNDTIMEO, timeout);
  setTimeout(s.get(), SO_RCVTIMEO, timeout);
  int rc;
  do {
    rc = ::connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return kServerUnavailable;
  trackConnectionFd(s.get());
  fd = s.release();
  return kOk;
}

// Room for several 5840-byte fragments per recv: a 64 KiB reply takes a few
// system calls, not one per fragment.
constexpr size_t kReadBuffer = 64 * 1024;

PduStream::PduStream(int fd, std::chrono::microseconds presetTimeout)
    : m_fd(fd), m_buf(kReadBuffer), m_rcvTimeout(presetTimeout), m_sndTimeout(presetTimeout) {}

PduStream::~PduStream() {
  // Untracked before m_fd closes it, so a child never closes a reused number.
  if (m_fd) untrackConnectionFd(m_fd.get());
}

void PduStream::shutdown() { ::shutdown(m_fd.get(), SHUT_RDWR); }

bool PduStream::peerGone() const { return m_begin != m_end; }

bool PduStream::armTimeout(int option, Clock::time_point deadline,
                           std::chrono::microseconds& current) {
  if (deadline == Clock::time_point{}) return true;
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
  if (left.count() <= 0) return false;
  // Re-arm only when the remaining time is clearly off the value already set;
  // the common one-recv call costs no extra system call. A wait that ends
  // early is retried below until the deadline itself has passed.
  constexpr auto kSlack = std::chrono::milliseconds(2);
  if (current.count() == 0 || left < current - kSlack || left > current + kSlack) {
    if (!setTimeout(m_fd.get(), option, left)) return false;
    current = left;
  }
  return true;
}

Io PduStream::sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) {
  size_t done = 0;
  while (done < bytes.size()) {
    if (!armTimeout(SO_SNDTIMEO, deadline, m_sndTimeout)) return Io::TimedOut;
    ssize_t n = ::send(m_fd.get(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      if ((errno == EPIPE || errno == ECONNRESET) && done == 0) return Io::Closed;
      return Io::Failed;
    }
    done += static_cast<size_t>(n);
  }
  return Io::Ok;
}

Io PduStream::fill(size_t need, Clock::time_point deadline) {
  if (m_end - m_begin >= need) return Io::Ok;
  if (m_buf.size() - m_begin < need) {
    // Move what is buffered to the front; grow when a PDU is bigger.
    std::memmove(m_buf.data(), m_buf.data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
    if (m_buf.size() < need) m_buf.resize(std::max(need, m_buf.size() * 2));
  }
  while (m_end - m_begin < need) {
    if (!armTimeout(SO_RCVTIMEO, deadline, m_rcvTimeout)) return Io::TimedOut;
    ssize_t n = ::recv(m_fd.get(), m_buf.data() + m_end, m_buf.size() - m_end, 0);
    if (n == 0) return Io::Closed;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      if (errno == ECONNRESET) return Io::Unread;
      return Io::Failed;
    }
    m_end += static_cast<size_t>(n);
  }
  return Io::Ok;
}

Io PduStream::readPdu(Pdu& pdu, Clock::time_point deadline) {
  if (m_begin == m_end) m_begin = m_end = 0;
  if (Io r = fill(kCommonHeaderSize, deadline); r != Io::Ok) return r;
  if (!parseHeader(std::span<const uint8_t>(m_buf.data() + m_begin, kCommonHeaderSize), pdu))
    return Io::Malformed;
  if (Io r = fill(pdu.fragLength, deadline); r != Io::Ok) return r;
  pdu.bytes = std::span<const uint8_t>(m_buf.data() + m_begin, pdu.fragLength);
  m_begin += pdu.fragLength;
  return Io::Ok;
}

}  // namespace zeltrpc::rpc
