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
  Client(int fd, uint32_t id, bool sambaPipe) : fd(fd), id(id) {
    if (sambaPipe)
      stream = std::make_unique<SambaPipeStream>(fd);
    else
      stream = std::make_unique<PduStream>(fd);
  }
  // Wakes a blocked reader; the stream closes the descriptor.
  void shutdown() { ::shutdown(fd, SHUT_RDWR); }
  int fd;
  std::unique_ptr<Carrier> stream;
  uint32_t id;
  std::thread thread;
  std::atomic<bool> done{false};
};

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
  // A socket left behind by a service that died is replaced; a live one is not.
  struct stat st {};
  if (::lstat(m_path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      error = m_path + " exists and is not a socket";
      return false;
    }
    int probe = -1;
    if (connectUnix(m_path, std::chrono::milliseconds(500), probe) == kOk) {
      // Only the answer was wanted. The connect registered the descriptor for
      // the after-fork clean-up; it leaves that list before it closes.
      untrackConnectionFd(probe);
      const UniqueFd answered(probe);
      error = m_path + " is in use by another service";
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
  int wake[2] = {-1, -1};
  if (!bound || ::listen(m_listenFd.get(), 64) != 0 || ::pipe2(wake, O_CLOEXEC) != 0) {
    error = m_path + ": " + std::strerror(errno);
    // The socket file this start made goes with it; one it did not make stays.
    if (bound) ::unlink(m_path.c_str());
    m_listenFd.reset();
    return false;
  }
  m_wakeRead.reset(wake[0]);
  m_wakeWrite.reset(wake[1]);
  if (!m_options.tcp.empty() && !listenTcp(error)) {
    ::unlink(m_path.c_str());
    m_listenFd.reset();
    m_wakeRead.reset();
    m_wakeWrite.reset();
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
  UniqueFd fd(::socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC, a.ai_protocol));
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
  }
  for (auto& cl : clients) cl->shutdown();
  for (auto& cl : clients) cl->thread.join();
  m_listenFd.reset();
  m_tcpFd.reset();
  m_wakeRead.reset();
  m_wakeWrite.reset();
  ::unlink(m_path.c_str());
}

void SignServer::acceptLoop() {
  for (;;) {
    pollfd fds[3] = {
        {m_wakeRead.get(), POLLIN, 0}, {m_listenFd.get(), POLLIN, 0}, {m_tcpFd.get(), POLLIN, 0}};
    if (::poll(fds, m_tcpFd ? 3 : 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    const bool tcp = m_tcpFd && (fds[2].revents & POLLIN);
    if (!tcp && !(fds[1].revents & POLLIN)) continue;
    int fd = ::accept4(tcp ? m_tcpFd.get() : m_listenFd.get(), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    if (tcp) {
      // Replies go out whole; do not hold their last segment back.
      const int on = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    auto client = std::make_shared<Client>(fd, m_nextClientId++, !m_options.sambaPipe.empty());
    std::lock_guard lock(m_mutex);
    // Forget clients whose threads have ended.
    for (auto it = m_clients.begin(); it != m_clients.end();) {
      if ((*it)->done) {
        (*it)->thread.join();
        it = m_clients.erase(it);
      } else {
        ++it;
      }
    }
    m_clients.push_back(client);
    client->thread = std::thread([this, client] { serve(client); });
  }
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

  SignServer& server;
  Client& client;
  const std::string who;
  const DataRep rep;
  bool bound = false;
  uint16_t contextId = 0;
  uint16_t sendFrag;
  int answered = 0;
  FragmentAssembler assembler;
  std::vector<uint8_t> out, reply;  // reused call after call
  CallArgs call;
  const bool logging;
};

void SignServer::serve(const std::shared_ptr<Client>& client) {
  ++m_open;
  Connection connection(*this, *client);
  if (m_options.sambaPipe.empty() || connection.greetSmbd()) connection.serveCalls();
  client->shutdown();  // the peer sees the close now, not when the thread is reaped
  --m_open;
  client->done = true;
}

void SignServer::Connection::serveCalls() {
  const Options& options = server.m_options;
  for (;;) {
    Pdu pdu;
    Io io = client.stream->readPdu(pdu, Clock::time_point{});
    if (io != Io::Ok) {
      if (io == Io::Malformed) server.log(who + ": malformed PDU header, connection closed");
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
    auto fed = assembler.feed(pdu, frag);
    if (fed == FragmentAssembler::Result::More) continue;
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
    assembler.reset(zeltrpc::kMaxRequestStub);
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
  {
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
    {
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
