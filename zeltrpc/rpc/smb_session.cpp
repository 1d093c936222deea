#include "zeltrpc/rpc/smb_session.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <span>

#include "zeltrpc/rpc/pdu_framing.h"
#include "zeltrpc/rpc/smb_socket_scan.h"

namespace zeltrpc::rpc {

namespace {

// Worker threads still running, so that the library does not leave the
// process (exit, dlclose) while one is inside it: a worker given up on by its
// carrier ends within libsmbclient's time-out. Never destroyed: a worker may
// still touch it while the process ends.
struct LiveWorkers {
  std::mutex mutex;
  std::condition_variable done;
  int count = 0;
};
LiveWorkers& liveWorkers() {
  // In the library's own storage rather than on the heap, so that an unloaded
  // library leaves nothing allocated behind.
  alignas(LiveWorkers) static unsigned char storage[sizeof(LiveWorkers)];
  static LiveWorkers* const workers = new (storage) LiveWorkers;
  return *workers;
}

// A worker is given up on only after its connection's sockets were shut
// down, which ends its libsmbclient call at once; the wait here is a bound
// for the case that something else holds it.
struct WaitForWorkers {
  ~WaitForWorkers() {
    LiveWorkers& w = liveWorkers();
    std::unique_lock lock(w.mutex);
    w.done.wait_for(lock, std::chrono::seconds(2), [&] { return w.count == 0; });
  }
} g_waitForWorkers;

// Swallows the library's own log lines: they may name the user, and nothing
// of them belongs on a client program's output.
void discardLog(void*, int, const char*) {}

void authData(SMBCCTX* c, const char*, const char*, char* workgroup, int workgroupLen, char* user,
              int userLen, char* password, int passwordLen) {
  auto* s = static_cast<SmbSession*>(smbApi().getOptionUserData(c));
  auto put = [](char* to, int len, const std::string& v) {
    if (len <= 0) return;
    const size_t n = std::min(v.size(), static_cast<size_t>(len - 1));
    std::memcpy(to, v.data(), n);
    to[n] = '\0';
  };
  if (!s || s->creds.user.empty()) return;  // Kerberos alone, or anonymous
  if (!s->creds.domain.empty()) put(workgroup, workgroupLen, s->creds.domain);
  put(user, userLen, s->creds.user);
  put(password, passwordLen, s->creds.password);
}

Io ioFromErrno(int e) {
  switch (e) {
    case ETIMEDOUT:
    case EAGAIN: return Io::TimedOut;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
    case ENOTCONN:
    case EBADF: return Io::Closed;
    default: return Io::Failed;
  }
}

}  // namespace

void SmbSession::abandonLocked() {
  abandoned = true;
  if (sockets.empty() && opening) sockets = duplicateNewSmbSockets(socketsBefore, port);
  for (int fd : sockets) ::shutdown(fd, SHUT_RDWR);
  smbLibraryTurn().wakeWaiters();
}

void SmbSession::run() {
  // Writes to a connection that was shut down must not raise SIGPIPE.
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
  SmbLibraryTurn& turn = smbLibraryTurn();
  std::unique_lock lock(mutex);
  for (;;) {
    wake.wait(lock, [&] { return job || quit; });
    if (!job) break;
    auto current = std::move(job);
    job = nullptr;
    lock.unlock();
    // A job given up on while it waits for the library is not run.
    bool run = turn.acquireUnless([&] { return abandoned.load(); });
    if (run) {
      {
        std::lock_guard state(mutex);
        if (abandoned)
          run = false;
        else
          started = true;
      }
      if (run) current();
      turn.release();
    }
    lock.lock();
    ++finished;
    wake.notify_all();
  }
  lock.unlock();
  if (ctx) {
    SmbLibraryCall call;
    if (file) smbApi().getFunctionClose(ctx)(ctx, file);
    smbApi().freeContext(ctx, 1);
  }
  file = nullptr;
  ctx = nullptr;
  lock.lock();
  for (int fd : sockets) closeSmbSocketCopy(fd);
  sockets.clear();
  exited = true;
  wake.notify_all();
}

std::thread startSmbWorker(std::shared_ptr<SmbSession> session) {
  LiveWorkers& w = liveWorkers();
  {
    std::lock_guard lock(w.mutex);
    ++w.count;
  }
  return std::thread([s = std::move(session), &w] {
    s->run();
    std::lock_guard lock(w.mutex);
    if (--w.count == 0) w.done.notify_all();
  });
}

void pinLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&pinLibrary), &info) && info.dli_fname)
      ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  });
}

void openSmbSessionPipe(SmbSession* s, const std::string& url, uint16_t port, int timeoutMs) {
  // The password serves the session set-up of this open only.
  struct WipePassword {
    SmbSession* s;
    ~WipePassword() { wipeSecret(s->creds.password); }
  } wipeAfterOpen{s};
  const SmbApi& api = smbApi();
  s->error = 0;
  {
    std::vector<ino_t> before = smbSocketInodes();
    std::lock_guard state(s->mutex);
    s->socketsBefore = std::move(before);
    s->opening = true;
  }
  SMBCCTX* ctx = api.newContext();
  if (!ctx) {
    s->error = ENOMEM;
    return;
  }
  api.setDebug(ctx, 0);
  if (api.setLogCallback) api.setLogCallback(ctx, nullptr, discardLog);
  api.setOptionUserData(ctx, s);
  api.setFunctionAuthDataWithContext(ctx, authData);
  api.setPort(ctx, port);
  api.setTimeout(ctx, timeoutMs);
  if (s->creds.kerberos) {
    api.setOptionUseKerberos(ctx, 1);
    api.setOptionFallbackAfterKerberos(ctx, 1);
    api.setOptionUseCCache(ctx, 1);
  }
  if (!s->creds.user.empty()) {
    // Refused credentials must not turn into a guest session.
    api.setOptionNoAutoAnonymousLogin(ctx, 1);
  }
  if (!api.initContext(ctx)) {
    s->error = errno ? errno : EINVAL;
    api.freeContext(ctx, 0);
    return;
  }
  s->ctx = ctx;
  errno = 0;
  s->file = api.getFunctionOpen(ctx)(ctx, url.c_str(), O_RDWR, 0);
  if (!s->file) s->error = errno ? errno : EIO;
  std::lock_guard state(s->mutex);
  if (s->sockets.empty()) s->sockets = duplicateNewSmbSockets(s->socketsBefore, port);
  s->opening = false;
}

Io writeSmbPdus(SmbSession* s) {
  auto write = smbApi().getFunctionWrite(s->ctx);
  size_t done = 0;
  while (done < s->out.size()) {
    const std::span<const uint8_t> rest(s->out.data() + done, s->out.size() - done);
    size_t length = rest.size();
    Pdu pdu;
    if (rest.size() >= kCommonHeaderSize && parseHeader(rest, pdu) && pdu.fragLength <= rest.size())
      length = pdu.fragLength;
    errno = 0;
    const ssize_t n = write(s->ctx, s->file, rest.data(), length);
    if (n != static_cast<ssize_t>(length)) {
      // After a part went out, the call cannot be sent again.
      const Io failed = n < 0 ? ioFromErrno(errno) : Io::Failed;
      if (done == 0 && n <= 0 && failed == Io::Closed) return Io::Closed;
      // The server holds no whole request until the last PDU is in; a
      // failed write of that one may still have been taken in.
      if (done + length == s->out.size()) {
        s->io = failed == Io::TimedOut ? Io::TimedOut : Io::Failed;
        return Io::Ok;
      }
      return failed == Io::TimedOut ? Io::TimedOut : Io::Failed;
    }
    done += length;
  }
  return Io::Ok;
}

// libsmbclient's read asks again for whatever a short read left out, so each
// read asks for no more than the message holds.
Io readOneSmbPdu(SmbSession* s, size_t leastLength) {
  auto read = smbApi().getFunctionRead(s->ctx);
  auto exactly = [&](uint8_t* to, size_t count) {
    size_t got = 0;
    while (got < count) {
      errno = 0;
      ssize_t n = read(s->ctx, s->file, to + got, count - got);
      if (n == 0) return Io::Closed;
      if (n < 0) return ioFromErrno(errno);
      got += static_cast<size_t>(n);
    }
    return Io::Ok;
  };
  return readFramedPdu(exactly, s->in, s->pdu, leastLength);
}

void resetSmbWorkersAfterFork() {
  LiveWorkers& w = liveWorkers();
  new (&w.mutex) std::mutex;
  new (&w.done) std::condition_variable;
  w.count = 0;
}

}  // namespace zeltrpc::rpc
