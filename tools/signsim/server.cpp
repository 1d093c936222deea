#include "tools/signsim/server.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

#include "tools/signsim/samba_pipe.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/rpc/transport.h"
#include "zeltrpc/sign_interface.h"

namespace signsim {

using namespace zeltrpc::rpc;

namespace {

// Splits "HOST:PORT", ":PORT" or "PORT" (a bracketed IPv6 host allowed); a
// missing host is the loopback address.
bool splitHostPort(const std::string& text, std::string& host, std::string& port) {
  const size_t colon = text.rfind(':');
  host = colon == std::string::npos ? std::string() : text.substr(0, colon);
  port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (host.empty()) host = "127.0.0.1";
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
    return false;
  return std::stoul(port) <= 65535;
}

}  // namespace

struct SignServer::Client {
  Client(int fd, uint32_t id, bool sambaPipe, bool tcp, int64_t accepted)
      : fd(fd), id(id), tcp(tcp) {
    // A connection waits for its first call from the moment it is taken;
    // behind smbd it first has its handshake to make.
    if (!sambaPipe) idleSince = accepted;
    if (sambaPipe)
      stream = std::make_unique<SambaPipeStream>(fd);
    else
      stream = std::make_unique<PduStream>(fd);
  }
  // Wakes a blocked reader. Called with the server's m_mutex held, which
  // keeps the descriptor from being closed (and its number reused) meanwhile.
  void shutdown() {
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
  }
  int fd;  // the stream's; -1 once the connection has ended (m_mutex)
  std::unique_ptr<Carrier> stream;
  uint32_t id;
  bool tcp;  // a TCP peer (else a Unix-domain one)
  std::thread thread;
  std::atomic<bool> done{false};
  // Since when (steady clock ticks) the connection has waited for its next
  // call; 0 while a call arrives, runs or is answered, and once the acceptor
  // took the connection back to make room. Whoever swaps it to 0 first wins:
  // a call that arrives on a connection being taken back is not run.
  std::atomic<int64_t> idleSince{0};
  // Bytes of its unfinished request counted against kMaxUnfinishedBytes.
  std::atomic<size_t> held{0};
};

namespace {

// Out of descriptors, the waiting connections are tried again when a
// connection ends, else after this pause.
constexpr int kRetryAcceptMs = 200;
// A shortage that lasts is said again at most this often.
constexpr auto kShortageNoteEvery = std::chrono::seconds(60);

int64_t idleStamp() { return std::max<int64_t>(1, Clock::now().time_since_epoch().count()); }

// Buffers of a megabyte or more are freed when their call ends rather than
// kept for the next one: they go back to the system (see main.cpp).
constexpr size_t kLargeBuffer = 1024 * 1024;

template <typename Buffer>
void freeIfLarge(Buffer& buffer) {
  if (buffer.capacity() >= kLargeBuffer) Buffer().swap(buffer);
}

// Who is at the other end of `fd`, for the log: the process's credentials
// of a local peer, the address of a TCP one.
std::string describePeer(int fd, bool tcp) {
  if (!tcp) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return "peer unknown";
    return "pid " + std::to_string(cred.pid) + ", uid " + std::to_string(cred.uid) + ", gid " +
           std::to_string(cred.gid);
  }
  sockaddr_storage peer{};
  socklen_t len = sizeof peer;
  char name[NI_MAXHOST] = "", service[NI_MAXSERV] = "";
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0 ||
      ::getnameinfo(reinterpret_cast<sockaddr*>(&peer), len, name, sizeof name, service,
                    sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
    return "peer unknown";
  const bool v6 = peer.ss_family == AF_INET6;
  return std::string("from ") + (v6 ? "[" : "") + name + (v6 ? "]" : "") + ":" + service;
}

}  // namespace

SignServer::SignServer(Options options, LogSink log)
    : m_options(std::move(options)), m_log(std::move(log)) {
  m_service.setStatusFill(m_options.statusFill);
}

SignServer::~SignServer() { stop(); }

void SignServer::log(const std::string& line) {
  if (m_log) m_log(line);
}

bool SignServer::start(std::string& error) {
  if (!m_options.sambaPipe.empty()) {
    // smbd connects to <ncalrpc dir>/np/<pipe name in lower case>.
    m_options.dir = m_options.sambaPipe + "/np";
    for (char& c : m_options.endpoint)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const std::string dir = m_options.dir.empty() ? socketDirectory() : m_options.dir;
  std::string why;
  if (checkSocketDirectory(dir, true, &why) != kOk) {
    error = "socket directory refused: " + why;
    return false;
  }
  if (zeltrpc::rpc::socketPath(dir, m_options.endpoint, m_path) != kOk) {
    error = "endpoint \"" + m_options.endpoint + "\" cannot name a socket in " + dir;
    return false;
  }
  // The endpoint belongs to whoever holds the lock beside its socket; a
  // socket left there by a service that died is replaced.
  bool inUse = false;
  if (!m_lock.acquire(m_path + ".lock", inUse, why)) {
    error = inUse ? m_path + " is in use by another service" : why;
    return false;
  }
  struct stat st {};
  if (::lstat(m_path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      error = m_path + " exists and is not a socket";
      m_lock.release();
      return false;
    }
    ::unlink(m_path.c_str());
  }
  m_listenFd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, m_path.c_str(), m_path.size() + 1);
  const bool bound =
      m_listenFd && ::bind(m_listenFd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  int wake[2] = {-1, -1}, ended[2] = {-1, -1};
  // The listening socket does not block: the acceptor tries it without a
  // poll after a shortage of descriptors.
  if (!bound || ::listen(m_listenFd.get(), 64) != 0 ||
      ::fcntl(m_listenFd.get(), F_SETFL, O_NONBLOCK) != 0 || ::pipe2(wake, O_CLOEXEC) != 0 ||
      ::pipe2(ended, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = m_path + ": " + std::strerror(errno);
    // The socket file this start made goes with it; one it did not make stays.
    if (bound) ::unlink(m_path.c_str());
    m_listenFd.reset();
    m_lock.release();
    // A pipe made before the failure goes with it.
    base::UniqueFd wakeRead(wake[0]), wakeWrite(wake[1]);
    return false;
  }
  m_wakeRead.reset(wake[0]);
  m_wakeWrite.reset(wake[1]);
  m_endedRead.reset(ended[0]);
  m_endedWrite.reset(ended[1]);
  if (!m_options.tcp.empty() && !listenTcp(error)) {
    ::unlink(m_path.c_str());
    m_listenFd.reset();
    m_wakeRead.reset();
    m_wakeWrite.reset();
    m_endedRead.reset();
    m_endedWrite.reset();
    m_lock.release();
    return false;
  }
  m_running = true;
  m_acceptor = std::thread([this] { acceptLoop(); });
  return true;
}

bool SignServer::listenTcp(std::string& error) {
  std::string host, port;
  if (!splitHostPort(m_options.tcp, host, port)) {
    error = "TCP address \"" + m_options.tcp + "\" is not HOST:PORT";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0) {
    error = "TCP address \"" + m_options.tcp + "\": " + ::gai_strerror(rc);
    return false;
  }
  const addrinfo& a = *found;
  UniqueFd fd(::socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a.ai_protocol));
  const int on = 1;
  // A restarted service takes its port back at once.
  if (fd) ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (!fd || ::bind(fd.get(), a.ai_addr, a.ai_addrlen) != 0 || ::listen(fd.get(), 64) != 0) {
    error = "TCP address \"" + m_options.tcp + "\": " + std::strerror(errno);
    ::freeaddrinfo(found);
    return false;
  }
  ::freeaddrinfo(found);
  sockaddr_storage bound{};
  socklen_t len = sizeof bound;
  ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&bound), &len);
  char name[NI_MAXHOST] = "", service[NI_MAXSERV] = "";
  ::getnameinfo(reinterpret_cast<sockaddr*>(&bound), len, name, sizeof name, service,
                sizeof service, NI_NUMERICHOST | NI_NUMERICSERV);
  m_tcpPort = static_cast<uint16_t>(std::stoul(service));
  m_tcpAddress = std::string(bound.ss_family == AF_INET6 ? "[" : "") + name +
                 (bound.ss_family == AF_INET6 ? "]" : "") + ":" + service;
  m_tcpFd = std::move(fd);
  return true;
}

void SignServer::stop() {
  if (!m_running) return;
  m_running = false;
  char c = 'x';
  (void)!::write(m_wakeWrite.get(), &c, 1);
  m_acceptor.join();
  std::vector<std::shared_ptr<Client>> clients;
  {
    std::lock_guard lock(m_mutex);
    clients.swap(m_clients);
    for (auto& cl : clients) cl->shutdown();
  }
  for (auto& cl : clients) cl->thread.join();
  m_listenFd.reset();
  m_tcpFd.reset();
  m_wakeRead.reset();
  m_wakeWrite.reset();
  m_endedRead.reset();
  m_endedWrite.reset();
  ::unlink(m_path.c_str());
  m_lock.release();
}

void SignServer::acceptLoop() {
  bool starved = false;  // the last accept found no descriptor (or thread) free
  for (;;) {
    const short listening = starved ? 0 : POLLIN;
    pollfd fds[4] = {{m_wakeRead.get(), POLLIN, 0},
                     {m_endedRead.get(), POLLIN, 0},
                     {m_listenFd.get(), listening, 0},
                     {m_tcpFd.get(), listening, 0}};
    if (::poll(fds, m_tcpFd ? 4 : 3, starved ? kRetryAcceptMs : -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    if (fds[1].revents) {
      char drained[64];
      while (::read(m_endedRead.get(), drained, sizeof drained) > 0) {
      }
    }
    // Ended connections go first: their threads are joined before anything
    // new is taken on.
    {
      std::lock_guard lock(m_mutex);
      reapFinished();
    }
    const bool local = starved || (fds[2].revents & POLLIN);
    const bool tcp = m_tcpFd && (starved || (fds[3].revents & POLLIN));
    starved =
        (local && !acceptOne(m_listenFd.get(), false)) || (tcp && !acceptOne(m_tcpFd.get(), true));
  }
}

bool SignServer::acceptOne(int listenFd, bool tcp) {
  int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
  std::string shortage;
  if (fd < 0) {
    // Nothing waiting, or a client that gave up before it was taken.
    if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM) return true;
    shortage = std::strerror(errno);
  } else {
    if (tcp) {
      // Replies go out whole; do not hold their last segment back.
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    auto client = std::make_shared<Client>(fd, m_nextClientId++, !m_options.sambaPipe.empty(), tcp,
                                           idleStamp());
    std::lock_guard lock(m_mutex);
    try {
      client->thread = std::thread([this, client] { serve(client); });
      m_clients.push_back(client);
      return true;
    } catch (const std::system_error& e) {
      shortage = e.what();  // no thread for it: the connection closes unserved
    }
  }
  // Waiting clients must not make the acceptor spin: the connection that
  // has waited longest for a call makes room, or the acceptor waits for one
  // to end. Said once, and again only when a shortage lasts.
  const bool shed = shedLongestIdle();
  const auto now = Clock::now();
  if (m_shortageNoted == Clock::time_point{} || now - m_shortageNoted >= kShortageNoteEvery) {
    m_shortageNoted = now;
    log("cannot take a new connection (" + shortage + ") with " + std::to_string(m_open.load()) +
        " open: " +
        (shed ? "the connections idle longest are closed to make room"
              : "new connections wait until one ends"));
  }
  return false;
}

void SignServer::reapFinished() {
  for (auto it = m_clients.begin(); it != m_clients.end();) {
    if ((*it)->done) {
      (*it)->thread.join();
      it = m_clients.erase(it);
    } else {
      ++it;
    }
  }
}

bool SignServer::shedLongestIdle() {
  std::lock_guard lock(m_mutex);
  Client* longest = nullptr;
  int64_t since = 0;
  for (const auto& c : m_clients) {
    const int64_t t = c->idleSince.load();
    if (t != 0 && c->fd >= 0 && (!longest || t < since)) {
      longest = c.get();
      since = t;
    }
  }
  if (!longest || !longest->idleSince.compare_exchange_strong(since, 0)) return false;
  longest->shutdown();
  return true;
}

bool SignServer::holdUnfinished(Client& client, size_t bytes) {
  const auto giveUp = Clock::now() + kRoomWait;
  std::unique_lock lock(m_budgetMutex);
  for (;;) {
    const size_t held = m_unfinished.load();
    if (bytes <= kMaxUnfinishedBytes - held) {
      m_unfinished = held + bytes;
      client.held += bytes;
      return true;
    }
    if (Clock::now() >= giveUp) return false;
    lock.unlock();
    const uint32_t shed = shedLongestStalled(client);
    if (shed != 0)
      log("client " + std::to_string(shed) +
          ": its unfinished call waited longest for a fragment, "
          "connection closed to make room for client " +
          std::to_string(client.id) + "'s");
    lock.lock();
    // A connection closed gives its bytes back when its thread ends; without
    // one, calls that stall for long enough become candidates.
    m_budgetFreed.wait_until(
        lock, std::min(giveUp, Clock::now() + std::chrono::milliseconds(shed ? 1000 : 100)));
  }
}

uint32_t SignServer::shedLongestStalled(const Client& keep) {
  const int64_t stalledSince = (Clock::now() - kStalledAfter).time_since_epoch().count();
  std::lock_guard lock(m_mutex);
  Client* longest = nullptr;
  int64_t since = 0;
  for (const auto& c : m_clients) {
    const int64_t t = c->idleSince.load();
    if (c.get() != &keep && c->held.load() > 0 && t != 0 && t <= stalledSince && c->fd >= 0 &&
        (!longest || t < since)) {
      longest = c.get();
      since = t;
    }
  }
  if (!longest || !longest->idleSince.compare_exchange_strong(since, 0)) return 0;
  longest->shutdown();
  return longest->id;
}

void SignServer::releaseUnfinished(size_t bytes) {
  if (bytes == 0) return;
  std::lock_guard lock(m_budgetMutex);
  m_unfinished -= bytes;
  m_budgetFreed.notify_all();
}

// One client's connection as serve() runs it: the bound context, the call
// being assembled, and buffers reused call after call.
struct SignServer::Connection {
  Connection(SignServer& server, Client& client)
      : server(server),
        client(client),
        who("client " + std::to_string(client.id)),
        rep{server.m_options.bigEndian, false},
        sendFrag(server.m_options.maxFrag),
        logging(static_cast<bool>(server.m_log)) {
    assembler.reset(zeltrpc::kMaxRequestStub);
  }
  // What it held of unfinished requests goes back with it.
  ~Connection() { server.releaseUnfinished(client.held.exchange(0)); }

  // smbd speaks first; a connection that does not complete the handshake
  // within the call time-out is closed.
  bool greetSmbd() {
    std::string note;
    const bool ready = answerHandshake(client.fd, Clock::now() + callTimeout(), note);
    server.log(who + ": " + note + (ready ? "" : ", connection closed"));
    return ready;
  }

  // Answers binds and calls until the client leaves or breaks the protocol.
  void serveCalls();
  // Accepts the sign interface in NDR, or rejects the bind with a reason.
  void answerBind(const Pdu& pdu);
  // Runs the assembled call and leaves its reply (or fault) in `reply`.
  void runCall(uint16_t opnum, uint32_t callId, std::span<const uint8_t> stub);
  // Sends the first 100 bytes of `reply` under a header that claims more.
  void sendCutReply();
  // Readies the assembler for the next call, freeing (and no longer
  // counting) the buffer of a fragmented one, and frees the call's buffers
  // of a megabyte or more.
  void endCall();

  SignServer& server;
  Client& client;
  const std::string who;
  const DataRep rep;
  bool bound = false;
  uint16_t contextId = 0;
  uint16_t sendFrag;
  int answered = 0;
  FragmentAssembler assembler;
  bool midCall = false;             // fragments of a call have come, not yet its last
  std::vector<uint8_t> out, reply;  // reused call after call
  CallArgs call;
  const bool logging;
};

void SignServer::serve(const std::shared_ptr<Client>& client) {
  ++m_open;
  const std::string who = "client " + std::to_string(client->id);
  const std::string peer = m_log ? describePeer(client->fd, client->tcp) : std::string();
  log(who + ": connected (" + peer + ")");
  int answered = 0;
  {
    Connection connection(*this, *client);
    if (m_options.sambaPipe.empty() || connection.greetSmbd()) connection.serveCalls();
    answered = connection.answered;
  }  // its buffers go now
  log(who + ": closed after " + std::to_string(answered) +
      (answered == 1 ? " call (" : " calls (") + peer + ")");
  // The descriptor is closed now, not when the thread is reaped: the peer
  // sees the end, and the number is free for the next connection. The end
  // is orderly: what the peer sent and nobody read is drained first, since
  // closing over unread bytes resets the connection, and the peer could
  // then lose the last reply before it reads it.
  // (At most what a socket buffer holds: a peer that keeps sending over
  // TCP cannot hold the thread here.)
  ::shutdown(client->fd, SHUT_RDWR);
  char unread[16384];
  for (int i = 0; i < 64 && ::recv(client->fd, unread, sizeof unread, MSG_DONTWAIT) > 0; ++i) {
  }
  {
    std::lock_guard lock(m_mutex);
    client->idleSince = 0;
    client->stream.reset();
    client->fd = -1;
  }
  --m_open;
  client->done = true;
  const char ended = 'x';
  (void)!::write(m_endedWrite.get(), &ended, 1);  // a full pipe has told the acceptor already
}

void SignServer::Connection::endCall() {
  assembler.reset(zeltrpc::kMaxRequestStub);
  midCall = false;
  freeIfLarge(out);
  freeIfLarge(reply);
  for (Value& v : call.v) {
    freeIfLarge(v.text);
    freeIfLarge(v.bytes);
  }
  if (client.held == 0) return;
  assembler.release();
  server.releaseUnfinished(client.held.exchange(0));
}

void SignServer::Connection::serveCalls() {
  const Options& options = server.m_options;
  for (bool first = true;; first = false) {
    // While it waits, for its next call or for the next fragment of one,
    // the connection may be taken back to make room for another (see
    // server.h); whatever arrives meanwhile is not run. A call that has
    // begun gets its next fragment within kFragmentTimeout.
    if (!first || !options.sambaPipe.empty()) client.idleSince = idleStamp();
    Pdu pdu;
    Io io = client.stream->readPdu(pdu,
                                   midCall ? Clock::now() + kFragmentTimeout : Clock::time_point{});
    if (client.idleSince.exchange(0) == 0) break;  // taken back (said by who took it)
    if (io != Io::Ok) {
      if (io == Io::Malformed) server.log(who + ": malformed PDU header, connection closed");
      if (io == Io::TimedOut && midCall)
        server.log(who + ": no fragment of its unfinished call for " +
                   std::to_string(kFragmentTimeout.count()) + " s, connection closed");
      break;
    }
    if (pdu.ptype == kBind) {
      answerBind(pdu);
      continue;
    }
    if (pdu.ptype != kRequest) {
      server.log(who + ": unexpected PDU type " + std::to_string(pdu.ptype) +
                 ", connection closed");
      break;
    }
    CallFragment frag;
    if (!parseCallFragment(pdu, frag)) {
      server.log(who + ": malformed request, connection closed");
      break;
    }
    // A call in fragments is counted as its bytes arrive; one of a single
    // fragment is read whole before it runs and holds nothing while waiting.
    const bool fragmented = midCall || !(pdu.flags & kLastFrag);
    if (fragmented && !server.holdUnfinished(client, frag.stub.size())) {
      server.log(who + ": requests still arriving would hold more than " +
                 std::to_string(kMaxUnfinishedBytes) + " bytes, connection closed");
      break;
    }
    FragmentAssembler::Result fed;
    try {
      fed = assembler.feed(pdu, frag);
    } catch (const std::bad_alloc&) {
      server.log(who + ": no memory for a request of " + std::to_string(frag.allocHint) +
                 " bytes, connection closed");
      break;
    }
    midCall = fed == FragmentAssembler::Result::More;
    if (midCall) continue;
    if (fed != FragmentAssembler::Result::Complete) {
      server.log(who + ": bad request fragments, connection closed");
      break;
    }
    const uint16_t opnum = assembler.opnum();
    if (options.dropAfter >= 0 && answered >= options.dropAfter) {
      server.log(who + ": call " + std::to_string(opnum) + " dropped with the connection");
      break;
    }
    runCall(opnum, assembler.callId(), assembler.stub());
    ++server.m_calls;  // counted before the reply leaves, so a client that has
                       // its answer always sees its call counted
    if (options.loseReplyAfter >= 0 && answered >= options.loseReplyAfter) {
      if (options.cutReply) sendCutReply();
      server.log(who + ": call " + std::to_string(opnum) + " ran, reply " +
                 (options.cutReply ? "cut short" : "dropped") + " with the connection");
      break;
    }
    if (client.stream->sendAll(reply, {}) != Io::Ok) break;
    ++answered;
    endCall();
  }
}

void SignServer::Connection::answerBind(const Pdu& pdu) {
  const Options& options = server.m_options;
  BindInfo bind;
  if (!parseBind(pdu, bind)) {
    auto nak = encodeBindNak(rep, pdu.callId, 0);
    client.stream->sendAll(nak, {});
    server.log(who + ": malformed bind rejected");
    return;
  }
  BindAckInfo ack;
  sendFrag = std::min<uint16_t>(options.maxFrag, bind.maxRecvFrag);
  ack.maxXmitFrag = ack.maxRecvFrag = std::max<uint16_t>(sendFrag, kSmallestMaxFrag);
  ack.assocGroup = 0x5A17;
  ack.secondaryAddress =
      options.sambaPipe.empty() ? options.endpoint : "\\PIPE\\" + options.endpoint;
  const bool ndr = std::find(bind.transferSyntaxes.begin(), bind.transferSyntaxes.end(),
                             ndrTransferSyntax()) != bind.transferSyntaxes.end();
  if (!(bind.abstractSyntax == zeltrpc::signInterface().syntax)) {
    ack.result = 2;
    ack.reason = 1;
  } else if (!ndr) {
    ack.result = 2;
    ack.reason = 2;
  } else {
    ack.transferSyntax = ndrTransferSyntax();
    bound = true;
    contextId = bind.contextId;
  }
  auto bytes = encodeBindAck(rep, pdu.callId, ack);
  client.stream->sendAll(bytes, {});
  server.log(who + ": bind " + formatUuid(bind.abstractSyntax.uuid) + " v" +
             std::to_string(bind.abstractSyntax.major) + "." +
             std::to_string(bind.abstractSyntax.minor) + (bound ? " accepted" : " rejected"));
}

void SignServer::Connection::runCall(uint16_t opnum, uint32_t callId,
                                     std::span<const uint8_t> stub) {
  const Options& options = server.m_options;
  if (options.recordCalls) {
    std::lock_guard lock(server.m_mutex);
    server.m_lastStubs[opnum].assign(stub.begin(), stub.end());
  }
  if (options.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));

  reply.clear();
  if (!bound || assembler.contextId() != contextId) {
    reply = encodeFault(rep, callId, assembler.contextId(), kNcaUnkIf, true);
    server.log(who + ": call " + std::to_string(opnum) + " without a bound interface -> fault");
  } else if (opnum >= zeltrpc::kOpnumCount) {
    reply = encodeFault(rep, callId, contextId, kNcaOpRangeError, true);
    server.log(who + ": opnum " + std::to_string(opnum) + " out of range -> fault");
  } else if (!decodeRequest(opnum, stub, assembler.rep(), call)) {
    reply = encodeFault(rep, callId, contextId, kNcaFaultNdr, true);
    server.log(who + ": opnum " + std::to_string(opnum) + " bad stub data -> fault");
  } else if (static_cast<int>(opnum) == options.faultOpnum) {
    reply = encodeFault(rep, callId, contextId, options.faultStatus, false);
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", options.faultStatus);
    server.log(who + ": " + describeCall(call) + " -> fault 0x" + hex);
  } else {
    std::string note;
    const std::string described = logging ? describeCall(call) : std::string();
    if (options.recordCalls) {
      std::lock_guard lock(server.m_mutex);
      server.m_lastCall = call;  // as received, before the service fills the out items
    }
    uint32_t status = server.m_service.handle(call, logging ? &note : nullptr);
    out.clear();
    encodeReply(call, status, rep, out, 0);
    appendFragments(reply, kResponse, rep, callId, contextId, 0, out, sendFrag);
    if (logging) {
      server.log(who + ": " + described + " -> " + std::to_string(status));
      if (!note.empty()) server.log(who + ": " + note);
    }
  }
}

void SignServer::Connection::sendCutReply() {
  std::vector<uint8_t> cut(100, 0);
  std::copy_n(reply.begin(), std::min(reply.size(), cut.size()), cut.begin());
  cut[8] = cut[9] = 0xFF;  // frag_length 65535, either byte order
  client.stream->sendAll(cut, {});
}

std::vector<uint8_t> SignServer::lastRequestStub(uint16_t opnum) {
  std::lock_guard lock(m_mutex);
  auto it = m_lastStubs.find(opnum);
  return it == m_lastStubs.end() ? std::vector<uint8_t>{} : it->second;
}

CallArgs SignServer::lastCall() {
  std::lock_guard lock(m_mutex);
  return m_lastCall;
}

}  // namespace signsim
