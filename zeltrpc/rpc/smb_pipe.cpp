#include "zeltrpc/rpc/smb_pipe.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "zeltrpc/rpc/pdu_framing.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/rpc/unique_fd.h"

namespace zeltrpc::rpc {

namespace {

// ---------------------------------------------------------------- libsmbclient
// The few parts of libsmbclient's C interface the carrier uses, declared here
// so that building needs no Samba headers and the library no link-time tie.

struct SMBCCTX;
struct SMBCFILE;
using AuthFn = void (*)(SMBCCTX* c, const char* server, const char* share, char* workgroup,
                        int workgroupLen, char* user, int userLen, char* password, int passwordLen);
using LogFn = void (*)(void* priv, int level, const char* msg);
using OpenFn = SMBCFILE* (*)(SMBCCTX* c, const char* url, int flags, mode_t mode);
using ReadFn = ssize_t (*)(SMBCCTX* c, SMBCFILE* f, void* buf, size_t count);
using WriteFn = ssize_t (*)(SMBCCTX* c, SMBCFILE* f, const void* buf, size_t count);
using CloseFn = int (*)(SMBCCTX* c, SMBCFILE* f);

struct SmbApi {
  SMBCCTX* (*newContext)();
  int (*freeContext)(SMBCCTX*, int);
  SMBCCTX* (*initContext)(SMBCCTX*);
  void (*setDebug)(SMBCCTX*, int);
  void (*setLogCallback)(SMBCCTX*, void*, LogFn);  // optional
  void (*setFunctionAuthDataWithContext)(SMBCCTX*, AuthFn);
  void (*setOptionUserData)(SMBCCTX*, void*);
  void* (*getOptionUserData)(SMBCCTX*);
  void (*setPort)(SMBCCTX*, uint16_t);
  void (*setTimeout)(SMBCCTX*, int);
  void (*setOptionUseKerberos)(SMBCCTX*, int);
  void (*setOptionFallbackAfterKerberos)(SMBCCTX*, int);
  void (*setOptionUseCCache)(SMBCCTX*, int);
  void (*setOptionNoAutoAnonymousLogin)(SMBCCTX*, int);
  OpenFn (*getFunctionOpen)(SMBCCTX*);
  ReadFn (*getFunctionRead)(SMBCCTX*);
  WriteFn (*getFunctionWrite)(SMBCCTX*);
  CloseFn (*getFunctionClose)(SMBCCTX*);
};

SmbApi g_api{};
bool g_loaded = false;
std::once_flag g_loadOnce;
// libsmbclient keeps process-wide state (its memory pools, the loaded
// configuration) that its calls use without locks: one call at a time in
// the whole process, whatever the connection.
std::timed_mutex g_libraryMutex;

template <class F>
bool resolve(void* lib, const char* name, F& fn) {
  fn = reinterpret_cast<F>(::dlsym(lib, name));
  return fn != nullptr;
}

void load() {
  // Never closed: a library of this size is not worth unloading, and a
  // connection being torn down may still be inside it.
  void* lib = ::dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return;
  SmbApi a{};
  bool ok = resolve(lib, "smbc_new_context", a.newContext) &&
            resolve(lib, "smbc_free_context", a.freeContext) &&
            resolve(lib, "smbc_init_context", a.initContext) &&
            resolve(lib, "smbc_setDebug", a.setDebug) &&
            resolve(lib, "smbc_setFunctionAuthDataWithContext", a.setFunctionAuthDataWithContext) &&
            resolve(lib, "smbc_setOptionUserData", a.setOptionUserData) &&
            resolve(lib, "smbc_getOptionUserData", a.getOptionUserData) &&
            resolve(lib, "smbc_setPort", a.setPort) &&
            resolve(lib, "smbc_setTimeout", a.setTimeout) &&
            resolve(lib, "smbc_setOptionUseKerberos", a.setOptionUseKerberos) &&
            resolve(lib, "smbc_setOptionFallbackAfterKerberos", a.setOptionFallbackAfterKerberos) &&
            resolve(lib, "smbc_setOptionUseCCache", a.setOptionUseCCache) &&
            resolve(lib, "smbc_setOptionNoAutoAnonymousLogin", a.setOptionNoAutoAnonymousLogin) &&
            resolve(lib, "smbc_getFunctionOpen", a.getFunctionOpen) &&
            resolve(lib, "smbc_getFunctionRead", a.getFunctionRead) &&
            resolve(lib, "smbc_getFunctionWrite", a.getFunctionWrite) &&
            resolve(lib, "smbc_getFunctionClose", a.getFunctionClose);
  if (!ok) return;
  resolve(lib, "smbc_setLogCallback", a.setLogCallback);
  // Connections run on threads of their own: the library keeps its
  // per-call scratch memory per thread once told so.
  void (*threadPosix)() = nullptr;
  if (resolve(lib, "smbc_thread_posix", threadPosix)) threadPosix();
  g_api = a;
  g_loaded = true;
}

// Swallows the library's own log lines: they may name the user, and nothing
// of them belongs on a client program's output.
void discardLog(void*, int, const char*) {}

// ---------------------------------------------------------------- settings

uint16_t smbPort() {
  if (const char* p = std::getenv("ZELTRPC_SMB_PORT"); p && *p) {
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (*end == '\0' && v > 0 && v <= 65535) return static_cast<uint16_t>(v);
  }
  return 445;
}

bool haveTicketCache() {
  if (const char* c = std::getenv("KRB5CCNAME"); c && *c) {
    std::string name = c;
    if (name.rfind("FILE:", 0) == 0)
      name = name.substr(5);
    else if (name.find(':') != std::string::npos && name.front() != '/')
      return true;  // KEYRING:, KCM:, DIR:, ...: present when named
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
  }
  struct stat st {};
  const std::string dflt = "/tmp/krb5cc_" + std::to_string(::getuid());
  return ::stat(dflt.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

std::string defaultAuthFile() {
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    return std::string(x) + "/zeltrpc/auth";
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/zeltrpc/auth";
  return {};
}

void wipe(std::string& s) {
  volatile char* p = s.data();
  for (size_t i = 0; i < s.size(); ++i) p[i] = 0;
  s.clear();
}

// A computer name as libsmbclient takes it inside a URL ("NAME",
// "1.2.3.4", or an IPv6 address in brackets, given with or without them);
// false for anything that would change the URL's meaning (user, path, port,
// escapes).
bool urlHost(const std::string& host, std::string& out) {
  std::string v6 = host;
  if (v6.size() > 2 && v6.front() == '[' && v6.back() == ']') v6 = v6.substr(1, v6.size() - 2);
  in6_addr addr{};
  if (::inet_pton(AF_INET6, v6.c_str(), &addr) == 1) {
    // libsmbclient's URLs take no IPv6 literal, but Samba resolves the
    // literal's name form: ':' as '-', a zone's '%' as 's', and the domain
    // ipv6-literal.net.
    out.clear();
    for (char c : v6) out += c == ':' ? '-' : c == '%' ? 's' : c;
    out += ".ipv6-literal.net";
    return true;
  }
  if (host.empty() || host.size() > 255) return false;
  for (unsigned char c : host)
    if (c <= ' ' || c == 0x7F || std::strchr("/\\@:;?#%[]\"'<>|*=,&+", c)) return false;
  out = host;
  return true;
}

// ---------------------------------------------------------------- the connection

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

// Keeps this library mapped until the process ends: taken when a worker may
// outlive the carrier that gave up on it, so that no unload (dlclose) can
// take the code it runs away from under it.
void pinLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&pinLibrary), &info) && info.dli_fname)
      ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  });
}

// ---------------------------------------------------------------- sockets
// libsmbclient does not tell which socket a context uses. The sockets that
// appear while a context connects, with the SMB port as their peer's, are
// its; the carrier keeps a duplicate of each so that it can shut the
// connection down (ending any call blocked on it) and so that a forked
// child can close its copies.

// Socket inodes of the process's descriptors, from /proc/self/fd.
std::vector<std::pair<int, ino_t>> processSockets() {
  std::vector<std::pair<int, ino_t>> out;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return out;
  while (dirent* e = ::readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(e->d_name, &end, 10);
    if (end == e->d_name || *end != '\0' || fd == ::dirfd(dir)) continue;
    struct stat st {};
    if (::fstat(static_cast<int>(fd), &st) == 0 && S_ISSOCK(st.st_mode))
      out.emplace_back(static_cast<int>(fd), st.st_ino);
  }
  ::closedir(dir);
  return out;
}

uint16_t peerPort(int fd) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
  return 0;
}

// Duplicates held by the carriers (descriptor + 1 per slot; 0: free), for
// a forked child to close along with the originals.
std::atomic<int> g_smbSockets[64];

std::vector<int> duplicateNewSockets(const std::vector<ino_t>& before, uint16_t port) {
  std::vector<int> out;
  for (const auto& [fd, inode] : processSockets()) {
    if (std::find(before.begin(), before.end(), inode) != before.end()) continue;
    if (peerPort(fd) != port) continue;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) continue;
    out.push_back(copy);
    for (auto& slot : g_smbSockets) {
      int expected = 0;
      if (slot.compare_exchange_strong(expected, copy + 1)) break;
    }
  }
  return out;
}

void closeSocketCopy(int fd) {
  for (auto& slot : g_smbSockets) {
    int expected = fd + 1;
    if (slot.compare_exchange_strong(expected, 0)) break;
  }
  ::close(fd);
}

// What the carrier and its worker thread share. The worker owns the
// libsmbclient context; the carrier hands it one operation at a time and
// waits for it no longer than its deadline. A carrier that stops waiting
// leaves, and the worker frees the context when the operation ends (bounded
// by libsmbclient's own time-out).
struct Session {
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void()> job;  // set by the carrier, cleared by the worker
  uint64_t posted = 0;
  uint64_t finished = 0;
  bool quit = false;
  bool exited = false;

  SMBCCTX* ctx = nullptr;
  SMBCFILE* file = nullptr;
  uint16_t port = 0;
  std::vector<ino_t> socketsBefore;  // taken as the open starts
  bool opening = false;              // the open is under way
  bool abandoned = false;            // the carrier gave up: run nothing more
  bool started = false;              // the last job posted got the library
  std::vector<int> sockets;          // duplicates of the connection's sockets
  SmbCredentials creds;
  std::vector<uint8_t> out;  // the PDUs of one write
  std::vector<uint8_t> in;   // the last PDU read
  Pdu pdu;
  Io sent = Io::Ok;  // the writes of a request written and answered in one job
  Io io = Io::Ok;
  int error = 0;  // errno of a failed open

  // Shuts the connection's sockets down so that a libsmbclient call blocked
  // on them ends now; nothing more is run. Called with `mutex` held.
  void abandonLocked() {
    abandoned = true;
    if (sockets.empty() && opening) sockets = duplicateNewSockets(socketsBefore, port);
    for (int fd : sockets) ::shutdown(fd, SHUT_RDWR);
  }

  void run() {
    // Writes to a connection that was shut down must not raise SIGPIPE.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [&] { return job || quit; });
      if (!job) break;
      auto current = std::move(job);
      job = nullptr;
      lock.unlock();
      {
        // A job given up on while it waits for the library is not run.
        std::unique_lock library(g_libraryMutex, std::defer_lock);
        bool run = false;
        while (!run) {
          const bool locked = library.try_lock_for(std::chrono::milliseconds(20));
          std::lock_guard state(mutex);
          if (abandoned) break;
          if (locked) run = started = true;
        }
        if (run) current();
      }
      lock.lock();
      ++finished;
      wake.notify_all();
    }
    lock.unlock();
    if (ctx) {
      std::lock_guard library(g_libraryMutex);
      if (file) g_api.getFunctionClose(ctx)(ctx, file);
      g_api.freeContext(ctx, 1);
    }
    file = nullptr;
    ctx = nullptr;
    lock.lock();
    for (int fd : sockets) closeSocketCopy(fd);
    sockets.clear();
    exited = true;
    wake.notify_all();
  }
};

void authData(SMBCCTX* c, const char*, const char*, char* workgroup, int workgroupLen, char* user,
              int userLen, char* password, int passwordLen) {
  auto* s = static_cast<Session*>(g_api.getOptionUserData(c));
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

// Writes the PDUs in s->out, each as an SMB write of its own. Io::Closed
// when the first write failed (nothing reached the service).
Io writePdus(Session* s) {
  auto write = g_api.getFunctionWrite(s->ctx);
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
      if (n < 0 && ioFromErrno(errno) == Io::TimedOut) return Io::TimedOut;
      return done == 0 && n <= 0 ? Io::Closed : Io::Failed;
    }
    done += length;
  }
  return Io::Ok;
}

// Reads one PDU into s->in and s->pdu. libsmbclient's read asks again for
// whatever a short read left out, so each read asks for no more than the
// message holds: the part of the PDU known to be there, then exactly the
// rest that its header names.
Io readOnePdu(Session* s, size_t leastLength) {
  auto read = g_api.getFunctionRead(s->ctx);
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

class SmbPipe final : public Carrier {
 public:
  explicit SmbPipe(std::shared_ptr<Session> s) : m_session(std::move(s)) {
    LiveWorkers& w = liveWorkers();
    {
      std::lock_guard lock(w.mutex);
      ++w.count;
    }
    m_worker = std::thread([s = m_session, &w] {
      s->run();
      std::lock_guard lock(w.mutex);
      if (--w.count == 0) w.done.notify_all();
    });
  }

  ~SmbPipe() override {
    std::unique_lock lock(m_session->mutex);
    m_session->quit = true;
    m_session->wake.notify_all();
    // Closing the pipe and logging off take a round trip or two. A worker
    // that a silent server holds longer has its connection shut down, which
    // ends its call at once; it is left to finish on its own (the library
    // then stays loaded) only when even that does not free it.
    auto exited = [&] { return m_session->exited; };
    bool done = m_session->wake.wait_for(lock, std::chrono::seconds(m_stuck ? 0 : 1), exited);
    if (!done) {
      m_session->abandonLocked();
      done = m_session->wake.wait_for(lock, std::chrono::seconds(2), exited);
    }
    lock.unlock();
    if (done) {
      m_worker.join();
    } else {
      pinLibrary();
      m_worker.detach();
    }
  }

  // Runs `job` on the worker; false when the deadline passed first (the
  // connection is then of no further use).
  bool run(std::function<void()> job, Clock::time_point deadline) {
    if (m_stuck) return false;
    std::unique_lock lock(m_session->mutex);
    m_session->job = std::move(job);
    m_session->started = false;
    const uint64_t ticket = ++m_session->posted;
    m_session->wake.notify_all();
    auto done = [&] { return m_session->finished >= ticket; };
    if (deadline == Clock::time_point{}) {
      m_session->wake.wait(lock, done);
    } else if (!m_session->wake.wait_until(lock, deadline, done)) {
      // Given up: the worker's call is ended by shutting its connection
      // down. Should it still not return, the library is kept loaded for it.
      // A job still waiting for the library is simply not run.
      m_stuck = true;
      m_session->abandonLocked();
      if (m_session->started &&
          !m_session->wake.wait_for(lock, std::chrono::milliseconds(500), done))
        pinLibrary();
    }
    return !m_stuck;
  }

  // implements Carrier ------------------------------------------------
  // Each PDU is one SMB write: a pipe in message mode takes one message of
  // at most 65535 bytes per write and keeps the PDUs apart.
  Io sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) override {
    if (m_stuck) return Io::Failed;
    Session* s = m_session.get();
    s->out.assign(bytes.begin(), bytes.end());
    return run([s] { s->io = writePdus(s); }, deadline) ? s->io : Io::TimedOut;
  }

  Io readPdu(Pdu& pdu, Clock::time_point deadline) override {
    return readPduAtLeast(pdu, deadline, kCommonHeaderSize);
  }

  Io readPduAtLeast(Pdu& pdu, Clock::time_point deadline, size_t leastLength) override {
    if (m_stuck) return Io::Failed;
    Session* s = m_session.get();
    if (!run([s, leastLength] { s->io = readOnePdu(s, leastLength); }, deadline))
      return Io::TimedOut;
    if (s->io == Io::Ok) pdu = s->pdu;
    return s->io;
  }

  // The request's writes and the first read in one job of the worker: one
  // hand-over to it and back per call instead of two.
  SentAndRead sendAndRead(std::span<const uint8_t> bytes, Pdu& pdu, Clock::time_point deadline,
                          size_t leastLength) override {
    SentAndRead r;
    if (m_stuck) return r;
    Session* s = m_session.get();
    s->out.assign(bytes.begin(), bytes.end());
    // Results go through the session: a job given up on may still finish
    // after this returned.
    if (!run(
            [s, leastLength] {
              s->sent = writePdus(s);
              s->io = s->sent == Io::Ok ? readOnePdu(s, leastLength) : Io::Failed;
            },
            deadline))
      return {Io::TimedOut, Io::TimedOut};
    r.sent = s->sent;
    r.read = s->io;
    if (r.sent == Io::Ok && r.read == Io::Ok) pdu = s->pdu;
    return r;
  }

  // Over SMB a broken pipe shows only when it is used.
  bool peerGone() const override { return m_stuck; }

 private:
  std::shared_ptr<Session> m_session;
  std::thread m_worker;
  bool m_stuck = false;
};

}  // namespace

SmbCredentials::~SmbCredentials() { wipe(password); }

void smbAfterForkInChild() {
  // The child closes its copies of the parent's SMB connections: the
  // carriers' duplicates and libsmbclient's own descriptors of the same
  // sockets.
  std::vector<ino_t> parents;
  for (auto& slot : g_smbSockets) {
    const int fd = slot.exchange(0) - 1;
    if (fd < 0) continue;
    struct stat st {};
    if (::fstat(fd, &st) == 0) parents.push_back(st.st_ino);
    ::close(fd);
  }
  if (!parents.empty()) {
    for (const auto& [fd, inode] : processSockets())
      if (std::find(parents.begin(), parents.end(), inode) != parents.end()) ::close(fd);
  }
  new (&g_libraryMutex) std::timed_mutex;
  LiveWorkers& w = liveWorkers();
  new (&w.mutex) std::mutex;
  new (&w.done) std::condition_variable;
  w.count = 0;
}

bool loadSmbClient() {
  std::call_once(g_loadOnce, load);
  return g_loaded;
}

uint32_t readAuthFile(const std::string& path, SmbCredentials& creds, std::string* why) {
  auto refuse = [&](const std::string& text) {
    if (why) *why = path + ": " + text;
    return kAccessDenied;
  };
  // Non-blocking, so that a FIFO in its place is refused below instead of
  // waiting for a writer; a regular file reads the same either way.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (!fd) return refuse(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return refuse("not a regular file");
  if (st.st_uid != ::getuid()) return refuse("owned by another user");
  if (st.st_mode & (S_IRWXG | S_IRWXO))
    return refuse("group or others may read it; allow only its owner (chmod 600)");
  // A credentials file is a few short lines: one that is longer is not
  // read in part (a user named past the part read would be lost silently).
  constexpr size_t kMaxAuthFile = 65536;
  std::string text;
  char chunk[4096];
  ssize_t n = 0;
  while (text.size() <= kMaxAuthFile && (n = ::read(fd.get(), chunk, sizeof chunk)) > 0)
    text.append(chunk, n);
  fd.reset();
  std::memset(chunk, 0, sizeof chunk);
  if (n < 0 || text.size() > kMaxAuthFile) {
    wipe(text);
    return refuse(n < 0 ? "cannot be read"
                        : "longer than " + std::to_string(kMaxAuthFile) + " bytes");
  }

  SmbCredentials c;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = line.substr(0, eq);
    while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    std::string_view value = line.substr(eq + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    auto is = [&](const char* k) {
      return key.size() == std::strlen(k) && strncasecmp(key.data(), k, key.size()) == 0;
    };
    if (is("username"))
      c.user.assign(value);
    else if (is("password"))
      c.password.assign(value);
    else if (is("domain"))
      c.domain.assign(value);
  }
  wipe(text);
  // "DOMAIN\user" names the domain too.
  if (size_t slash = c.user.find('\\'); slash != std::string::npos && c.domain.empty()) {
    c.domain = c.user.substr(0, slash);
    c.user.erase(0, slash + 1);
  }
  creds = c;
  return kOk;
}

uint32_t smbCredentials(SmbCredentials& creds, std::string* why) {
  creds = SmbCredentials{};
  const bool kerberos = haveTicketCache();
  std::string path;
  if (const char* f = std::getenv("ZELTRPC_AUTH_FILE"); f && *f) {
    path = f;
  } else {
    path = defaultAuthFile();
    struct stat st {};
    if (!path.empty() && ::lstat(path.c_str(), &st) != 0) path.clear();  // no file: anonymous
  }
  uint32_t status = kOk;
  std::string reason;
  if (!path.empty()) {
    status = readAuthFile(path, creds, &reason);
    // A file that names only half of an account cannot serve: without
    // this refusal it would end as an anonymous session, and a failure
    // that does not say why.
    if (status == kOk && !creds.user.empty() && creds.password.empty()) {
      reason = path + ": names a user but no password";
      status = kAccessDenied;
    } else if (status == kOk && creds.user.empty() && !creds.password.empty()) {
      reason = path + ": names a password but no user (a line \"username = ...\")";
      status = kAccessDenied;
    }
  }
  if (status != kOk) {
    diagnose(reason);
    if (why) *why = reason;
    creds = SmbCredentials{};
  }
  // A ticket cache comes first; the file's user and password are what
  // libsmbclient falls back to when the cache cannot be used (empty, broken,
  // expired). With a ticket cache a refused file leaves Kerberos alone.
  if (kerberos) {
    creds.kerberos = true;
    return kOk;
  }
  return status;
}

uint32_t smbPipeName(const std::string& endpoint, std::string& pipe) {
  std::string name = endpoint;
  if (name.size() > 6 && strncasecmp(name.c_str(), "\\pipe\\", 6) == 0) name.erase(0, 6);
  if (name.empty() || name.size() > 255 || name.find_first_of("/\\:*?\"<>|") != std::string::npos ||
      name.find('\0') != std::string::npos)
    return kInvalidEndpointFormat;
  pipe = name;
  return kOk;
}

uint32_t openSmbPipe(const std::string& networkAddress, const std::string& endpoint,
                     Clock::time_point deadline, std::chrono::milliseconds ioTimeout,
                     std::unique_ptr<Carrier>& out) {
  if (!loadSmbClient()) return kProtseqNotSupported;
  std::string pipe;
  if (uint32_t s = smbPipeName(endpoint, pipe)) return s;
  std::string host = networkAddress;
  host.erase(0, std::min(host.find_first_not_of('\\'), host.size()));
  if (host.empty()) host = "127.0.0.1";
  std::string server;
  if (!urlHost(host, server)) return kServerUnavailable;

  auto session = std::make_shared<Session>();
  if (uint32_t s = smbCredentials(session->creds)) return s;
  auto carrier = std::make_unique<SmbPipe>(session);
  Session* s = session.get();
  const std::string url = "smb://" + server + "/IPC$/" + pipe;
  const uint16_t port = smbPort();
  const int ms = static_cast<int>(std::min<int64_t>(ioTimeout.count(), 24LL * 3600 * 1000));
  s->port = port;
  bool ran = carrier->run(
      [s, url, port, ms] {
        // The password serves the session set-up of this open only.
        struct WipePassword {
          Session* s;
          ~WipePassword() { wipe(s->creds.password); }
        } wipeAfterOpen{s};
        s->error = 0;
        {
          std::vector<ino_t> before;
          for (const auto& [fd, inode] : processSockets()) before.push_back(inode);
          std::lock_guard state(s->mutex);
          s->socketsBefore = std::move(before);
          s->opening = true;
        }
        SMBCCTX* ctx = g_api.newContext();
        if (!ctx) {
          s->error = ENOMEM;
          return;
        }
        g_api.setDebug(ctx, 0);
        if (g_api.setLogCallback) g_api.setLogCallback(ctx, nullptr, discardLog);
        g_api.setOptionUserData(ctx, s);
        g_api.setFunctionAuthDataWithContext(ctx, authData);
        g_api.setPort(ctx, port);
        g_api.setTimeout(ctx, ms);
        if (s->creds.kerberos) {
          g_api.setOptionUseKerberos(ctx, 1);
          g_api.setOptionFallbackAfterKerberos(ctx, 1);
          g_api.setOptionUseCCache(ctx, 1);
        }
        if (!s->creds.user.empty()) {
          // Refused credentials must not turn into a guest session.
          g_api.setOptionNoAutoAnonymousLogin(ctx, 1);
        }
        if (!g_api.initContext(ctx)) {
          s->error = errno ? errno : EINVAL;
          g_api.freeContext(ctx, 0);
          return;
        }
        s->ctx = ctx;
        errno = 0;
        s->file = g_api.getFunctionOpen(ctx)(ctx, url.c_str(), O_RDWR, 0);
        if (!s->file) s->error = errno ? errno : EIO;
        std::lock_guard state(s->mutex);
        if (s->sockets.empty()) s->sockets = duplicateNewSockets(s->socketsBefore, port);
        s->opening = false;
      },
      deadline);
  if (!ran) {
    // Still waiting for another connection's libsmbclient call: a time-out,
    // not a sign that the server cannot be reached.
    std::lock_guard state(s->mutex);
    return s->started ? kServerUnavailable : kCallCancelled;
  }
  if (s->error == EACCES || s->error == EPERM) return kAccessDenied;
  if (s->error == ENOMEM) return kOutOfMemory;
  if (s->error != 0) return kServerUnavailable;
  out = std::move(carrier);
  return kOk;
}

}  // namespace zeltrpc::rpc
