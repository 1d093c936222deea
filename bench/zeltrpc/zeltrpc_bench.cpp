// Cost of a call through the library against signsim, next to the floor: a
// raw Unix-socket exchange of the same sizes with the same threading (one
// server thread per connection, blocking reads).
//
//   zeltPing, zeltSendRealTimeDataPort (57 bytes)  vs  RawEcho/57
//   zeltGetStatus with a 64 KiB reply              vs  RawTransfer64K
//
// zeltPing, the 57-byte send and the connect (zeltConnectSign, which binds
// and pings, then zeltDisconnectSign) also run over named pipes, beside the
// Unix socket: impacket's SMB server forwarding the pipe to signsim's TCP
// socket, and a real Samba smbd handing it to a signsim process of its own
// (--samba-pipe). Their floors go through libsmbclient directly:
//
//   ZeltPing/smbd     vs  RawPipePing/smbd     (the same ping PDU written and
//                                              its reply read on an open pipe)
//   ZeltConnect/smbd  vs  RawPipeConnect/smbd  (the open of the pipe, one
//                                              exchange, the close)
//
// The smbd cases count this process's CPU time (the client alone: smbd and
// that signsim are other processes) per call, in cpu_us_per_call beside the
// wall time. The calls of these cases and of their floors are each timed
// too (median_us, p99_us): compare the medians, which a loaded machine
// disturbs less than the means. ZeltPingProcesses runs 1, 8 and 32
// processes at once, each connected once and then making 1000 pings, and
// reports the median and the 99th percentile of a call.
//
// The servers start only when a case that needs them runs (not for --help or
// a filter that leaves them out), and end with the benchmark however it ends.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libsmbclient.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/tied_child.h"
#include "tests/zeltrpc/samba_test_server.h"
#include "tests/zeltrpc/smb_test_server.h"
#include "tools/signsim/server.h"
#include "zeltrpc.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/sign_interface.h"

namespace {

constexpr uint32_t k64K = 64 * 1024;

std::string g_dir;

// The temporary folder (sockets, smbd's files, a credentials file with the
// throw-away password) goes when the benchmark ends, however it ends: a
// child made before any thread waits on a pipe whose only writer is this
// process and removes the folder once the pipe reports end of file, which
// the kernel does when this process is gone, by exit, TERM or KILL alike.
// It ignores the signals a terminal sends the whole group, and outlives
// the servers' last writes into the folder by retrying for a few seconds.
void removeWhenThisProcessEnds(const std::string& dir) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return;
  const pid_t pid = ::fork();
  if (pid != 0) {
    ::close(ends[0]);  // the parent keeps only the writing end, never writes
    return;
  }
  ::close(ends[1]);
  ::signal(SIGINT, SIG_IGN);
  ::signal(SIGTERM, SIG_IGN);
  ::signal(SIGHUP, SIG_IGN);
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(null, 2);
  char byte;
  while (::read(ends[0], &byte, 1) != 0 && errno == EINTR) {
  }
  for (int i = 0; i < 50; ++i) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (!std::filesystem::exists(dir, ignored)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::_exit(0);
}

// The SMB servers' ports and credentials files; port 0: not available here.
struct Remote {
  uint16_t port = 0;
  std::string authFile;
  std::string user, password;
};
Remote g_impacket, g_smbd;

// The servers, started on first use.
std::unique_ptr<signsim::SignServer> g_signsim;
std::unique_ptr<zeltrpc_test::SmbTestServer> g_impacketServer;
std::unique_ptr<zeltrpc_test::SambaTestServer> g_samba;
pid_t g_sambaSignsim = -1;

std::string writeAuth(const std::string& path, const char* user, const char* password) {
  if (FILE* f = std::fopen(path.c_str(), "w")) {
    std::fprintf(f, "username = %s\npassword = %s\n", user, password);
    std::fclose(f);
  }
  ::chmod(path.c_str(), 0600);
  return path;
}

// The in-process signsim: the Unix socket's service and impacket's target.
bool startSignsim() {
  if (g_signsim) return true;
  const std::string sockets = g_dir + "/sock";
  ::setenv("ZELTRPC_DIR", sockets.c_str(), 1);
  signsim::Options options;
  options.dir = sockets;
  options.statusFill = k64K;
  options.tcp = "127.0.0.1:0";
  auto server = std::make_unique<signsim::SignServer>(options);  // no log: measure the calls only
  std::string error;
  if (!server->start(error)) {
    std::fprintf(stderr, "signsim: %s\n", error.c_str());
    return false;
  }
  g_signsim = std::move(server);
  return true;
}

void startImpacket() {
  static bool tried = false;
  if (tried || !startSignsim()) return;
  tried = true;
  std::string error = zeltrpc_test::SmbTestServer::unavailable();
  auto smb = std::make_unique<zeltrpc_test::SmbTestServer>();
  if (error.empty() && smb->start(g_signsim->tcpPort(), g_dir, error)) {
    g_impacket = {smb->port(), writeAuth(g_dir + "/auth-op", "op", zeltrpc_test::kSmbTestPassword),
                  "op", zeltrpc_test::kSmbTestPassword};
    g_impacketServer = std::move(smb);
  } else {
    std::fprintf(stderr, "no impacket SMB server: %s\n", error.c_str());
  }
}

// smbd with a signsim process of its own behind its pipe.
void startSmbd() {
  static bool tried = false;
  if (tried) return;
  tried = true;
  auto samba = std::make_unique<zeltrpc_test::SambaTestServer>();
  std::string why = zeltrpc_test::SambaTestServer::unavailable();
  if (!why.empty() || !samba->start(g_dir + "/samba", zeltrpc_test::kSambaSettings[0], why)) {
    std::fprintf(stderr, "no smbd: %s\n", why.c_str());
    return;
  }
  const std::string ncalrpc = samba->ncalrpcDir();
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  const int out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  g_sambaSignsim = zeltrpc_test::spawnTiedChild(
      {SIGNSIM_BINARY, "--samba-pipe", ncalrpc, "--quiet"}, env, {}, -1, out, 2);
  ::close(out);
  if (g_sambaSignsim <= 0) {
    std::fprintf(stderr, "no signsim behind smbd\n");
    return;
  }
  const std::string socket = ncalrpc + "/np/zeltrpc";
  for (int i = 0; i < 500 && ::access(socket.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  g_smbd = {samba->port(),
            writeAuth(g_dir + "/auth-zop", zeltrpc_test::kSambaUser, zeltrpc_test::kSambaPassword),
            zeltrpc_test::kSambaUser, zeltrpc_test::kSambaPassword};
  g_samba = std::move(samba);
}

void stopServers() {
  if (g_sambaSignsim > 0) {
    ::kill(g_sambaSignsim, SIGTERM);
    ::waitpid(g_sambaSignsim, nullptr, 0);
    g_sambaSignsim = -1;
  }
  g_samba.reset();
  g_impacketServer.reset();
  g_signsim.reset();
}

// Points the library at a remote: its port and credentials. False when it
// is not available.
bool useRemote(const Remote& r) {
  if (r.port == 0) return false;
  ::setenv("ZELTRPC_SMB_PORT", std::to_string(r.port).c_str(), 1);
  ::setenv("ZELTRPC_AUTH_FILE", r.authFile.c_str(), 1);
  return true;
}

// The server's name to connect to: "." for the Unix socket, else the
// remote's after pointing the library at it (and starting it); empty when
// not available.
std::string serverFor(const char* carrier) {
  if (!startSignsim()) return {};
  if (std::strcmp(carrier, "unix_socket") == 0) return ".";
  if (std::strcmp(carrier, "impacket") == 0) {
    startImpacket();
    return useRemote(g_impacket) ? "127.0.0.1" : "";
  }
  startSmbd();
  return useRemote(g_smbd) ? "127.0.0.1" : "";
}

double cpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Reports this process's CPU time per iteration.
struct CpuPerCall {
  explicit CpuPerCall(benchmark::State& s) : state(s), start(cpuSeconds()) {}
  ~CpuPerCall() {
    if (state.iterations() > 0)
      state.counters["cpu_us_per_call"] =
          (cpuSeconds() - start) * 1e6 / static_cast<double>(state.iterations());
  }
  benchmark::State& state;
  double start;
};

// The wall time of each call, for its median and 99th percentile beside the
// benchmark's mean: on a loaded machine the mean follows a few long calls.
// Both sides of a ratio are timed the same way.
class CallTimes {
 public:
  explicit CallTimes(benchmark::State& s) : m_state(s) {}
  ~CallTimes() {
    if (m_us.empty()) return;
    std::sort(m_us.begin(), m_us.end());
    auto at = [&](double q) {
      return m_us[static_cast<size_t>(q * static_cast<double>(m_us.size() - 1))];
    };
    m_state.counters["median_us"] = at(0.5);
    m_state.counters["p99_us"] = at(0.99);
  }
  // Times the call that runs while it lives: `auto timed = times.call();`.
  struct Call {
    CallTimes& times;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    ~Call() {
      times.m_us.push_back(
          std::chrono::duration<float, std::micro>(std::chrono::steady_clock::now() - start)
              .count());
    }
  };
  Call call() { return Call{*this}; }

 private:
  benchmark::State& m_state;
  std::vector<float> m_us;
};

bool readAll(int fd, char* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::recv(fd, p, n, 0);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool writeAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::send(fd, p, n, MSG_NOSIGNAL);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

// A raw server: for each request of `requestSize` bytes it answers
// `replySize` bytes.
class RawServer {
 public:
  RawServer(const std::string& path, size_t requestSize, size_t replySize) {
    m_listen = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    ::unlink(path.c_str());
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listen, 4);
    m_thread = std::thread([=, this] {
      int c = ::accept(m_listen, nullptr, nullptr);
      std::vector<char> request(requestSize), reply(replySize, 'r');
      while (readAll(c, request.data(), requestSize) && writeAll(c, reply.data(), replySize)) {
      }
      ::close(c);
    });
    m_client = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ::connect(m_client, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  }
  ~RawServer() {
    ::shutdown(m_client, SHUT_RDWR);
    ::close(m_client);
    m_thread.join();
    ::close(m_listen);
  }
  int client() const { return m_client; }

 private:
  int m_listen = -1;
  int m_client = -1;
  std::thread m_thread;
};

void RawEcho(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  RawServer server(g_dir + "/raw-echo", n, n);
  std::vector<char> out(n, 'x'), in(n);
  CallTimes times(state);
  for (auto _ : state) {
    auto timed = times.call();
    writeAll(server.client(), out.data(), n);
    readAll(server.client(), in.data(), n);
  }
}
BENCHMARK(RawEcho)->Arg(57);

void RawTransfer64K(benchmark::State& state) {
  RawServer server(g_dir + "/raw-64k", 44, k64K + 44);
  std::vector<char> out(44, 'x'), in(k64K + 44);
  for (auto _ : state) {
    writeAll(server.client(), out.data(), out.size());
    readAll(server.client(), in.data(), in.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * k64K);
}
BENCHMARK(RawTransfer64K);

void ZeltPing(benchmark::State& state, const char* carrier) {
  const std::string server = serverFor(carrier);
  if (server.empty()) return state.SkipWithError("no such SMB server here");
  if (zeltConnectSign(server.c_str()) != 0) return state.SkipWithError("no connection");
  {
    CpuPerCall cpu(state);
    CallTimes times(state);
    for (auto _ : state) {
      auto timed = times.call();
      if (zeltPing() != 0) return state.SkipWithError("ping failed");
    }
  }
  zeltDisconnectSign();
}
BENCHMARK_CAPTURE(ZeltPing, unix_socket, "unix_socket");
BENCHMARK_CAPTURE(ZeltPing, impacket, "impacket")->UseRealTime();
BENCHMARK_CAPTURE(ZeltPing, smbd, "smbd")->UseRealTime();

void ZeltSendRealTimeDataPort57(benchmark::State& state, const char* carrier) {
  const std::string server = serverFor(carrier);
  if (server.empty()) return state.SkipWithError("no such SMB server here");
  if (zeltConnectSign(server.c_str()) != 0) return state.SkipWithError("no connection");
  const std::string packet(57, 'p');
  {
    CpuPerCall cpu(state);
    CallTimes times(state);
    for (auto _ : state) {
      auto timed = times.call();
      if (zeltSendRealTimeDataPort(0, packet.data(), 57) != 0)
        return state.SkipWithError("send failed");
    }
  }
  zeltDisconnectSign();
}
BENCHMARK_CAPTURE(ZeltSendRealTimeDataPort57, unix_socket, "unix_socket");
BENCHMARK_CAPTURE(ZeltSendRealTimeDataPort57, impacket, "impacket")->UseRealTime();
BENCHMARK_CAPTURE(ZeltSendRealTimeDataPort57, smbd, "smbd")->UseRealTime();

// A whole connect: SMB session, tree, pipe open, bind and the connect's ping.
void ZeltConnect(benchmark::State& state, const char* carrier) {
  const std::string server = serverFor(carrier);
  if (server.empty()) return state.SkipWithError("no such SMB server here");
  CpuPerCall cpu(state);
  CallTimes times(state);
  for (auto _ : state) {
    auto timed = times.call();
    if (zeltConnectSign(server.c_str()) != 0) return state.SkipWithError("no connection");
    zeltDisconnectSign();
  }
}
BENCHMARK_CAPTURE(ZeltConnect, unix_socket, "unix_socket")->UseRealTime();
BENCHMARK_CAPTURE(ZeltConnect, impacket, "impacket")->UseRealTime();
BENCHMARK_CAPTURE(ZeltConnect, smbd, "smbd")->UseRealTime();

// ---------------------------------------------------------------- raw pipe
// libsmbclient used directly on the pipe, as the library uses it: the floor
// of a remote call (one SMB write of the request PDU, one SMB read of exactly
// its reply) and of a connect (the open of the pipe, the bind exchange and
// the close).

const Remote* g_rawRemote = nullptr;

void rawAuth(SMBCCTX*, const char*, const char*, char*, int, char* user, int userLength,
             char* password, int passwordLength) {
  std::snprintf(user, static_cast<size_t>(userLength), "%s", g_rawRemote->user.c_str());
  std::snprintf(password, static_cast<size_t>(passwordLength), "%s", g_rawRemote->password.c_str());
}

class RawPipe {
 public:
  explicit RawPipe(const Remote& remote) {
    g_rawRemote = &remote;
    m_ctx = smbc_new_context();
    if (!m_ctx) return;
    smbc_setDebug(m_ctx, 0);
    smbc_setFunctionAuthDataWithContext(m_ctx, rawAuth);
    smbc_setPort(m_ctx, remote.port);
    smbc_setTimeout(m_ctx, 10000);
    smbc_setOptionNoAutoAnonymousLogin(m_ctx, 1);
    if (!smbc_init_context(m_ctx)) {
      smbc_free_context(m_ctx, 0);
      m_ctx = nullptr;
      return;
    }
    m_file = smbc_getFunctionOpen(m_ctx)(m_ctx, "smb://127.0.0.1/IPC$/zeltrpc", O_RDWR, 0);
  }
  ~RawPipe() {
    if (m_file) smbc_getFunctionClose(m_ctx)(m_ctx, m_file);
    if (m_ctx) smbc_free_context(m_ctx, 1);
  }
  bool open() const { return m_file != nullptr; }

  // Writes `request` and reads the `reply.size()` bytes of its reply.
  bool exchange(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply) {
    const auto n = static_cast<ssize_t>(request.size());
    if (smbc_getFunctionWrite(m_ctx)(m_ctx, m_file, request.data(), request.size()) != n)
      return false;
    return smbc_getFunctionRead(m_ctx)(m_ctx, m_file, reply.data(), reply.size()) ==
           static_cast<ssize_t>(reply.size());
  }

  // The bind the library sends, and the size of signsim's acknowledgement.
  bool bind() {
    using namespace zeltrpc::rpc;
    BindInfo info;
    info.maxXmitFrag = info.maxRecvFrag = kLargestFrag;
    info.abstractSyntax = zeltrpc::signInterface().syntax;
    info.transferSyntaxes = {ndrTransferSyntax()};
    BindAckInfo ack;
    ack.secondaryAddress = "\\PIPE\\zeltrpc";
    std::vector<uint8_t> reply(encodeBindAck(DataRep{}, 1, ack).size());
    return exchange(encodeBind(1, info), reply) && reply[2] == kBindAck;
  }

 private:
  SMBCCTX* m_ctx = nullptr;
  SMBCFILE* m_file = nullptr;
};

void RawPipePing(benchmark::State& state, const char* carrier) {
  if (serverFor(carrier).empty()) return state.SkipWithError("no such SMB server here");
  const Remote& remote = std::strcmp(carrier, "impacket") == 0 ? g_impacket : g_smbd;
  RawPipe pipe(remote);
  if (!pipe.open() || !pipe.bind()) return state.SkipWithError("no pipe");
  using namespace zeltrpc::rpc;
  std::vector<uint8_t> ping(kRequestHeaderSize), reply(kShortestReply);
  writeSingleFragmentHeader(ping.data(), kRequest, DataRep{}, 2, 0, 0, 0);
  CpuPerCall cpu(state);
  CallTimes times(state);
  for (auto _ : state) {
    auto timed = times.call();
    if (!pipe.exchange(ping, reply)) return state.SkipWithError("exchange failed");
  }
}
BENCHMARK_CAPTURE(RawPipePing, smbd, "smbd")->UseRealTime();

void RawPipeConnect(benchmark::State& state, const char* carrier) {
  if (serverFor(carrier).empty()) return state.SkipWithError("no such SMB server here");
  const Remote& remote = std::strcmp(carrier, "impacket") == 0 ? g_impacket : g_smbd;
  CpuPerCall cpu(state);
  CallTimes times(state);
  for (auto _ : state) {
    auto timed = times.call();
    RawPipe pipe(remote);
    if (!pipe.open() || !pipe.bind()) return state.SkipWithError("no pipe");
  }
}
BENCHMARK_CAPTURE(RawPipeConnect, smbd, "smbd")->UseRealTime();

// ---------------------------------------------------------------- processes
// N processes (this program again, in its worker mode), each connected once;
// when all are, each makes 1000 pings, timing every one.

constexpr int kPingsPerProcess = 1000;

// The worker: argv = {self, "--ping-worker", SERVER, FILE}. Says "R" on
// standard output once connected, starts when standard input closes, and
// writes its failures and each call's microseconds (float) to FILE.
int pingWorker(char** argv) {
  if (zeltConnectSign(argv[2]) != 0 || zeltPing() != 0) {
    (void)!::write(1, "F", 1);
    return 1;
  }
  (void)!::write(1, "R", 1);
  char c;
  while (::read(0, &c, 1) > 0) {
  }
  std::vector<float> us(kPingsPerProcess);
  int32_t failures = 0;
  for (auto& u : us) {
    const auto start = std::chrono::steady_clock::now();
    failures += zeltPing() != 0;
    u = std::chrono::duration<float, std::micro>(std::chrono::steady_clock::now() - start).count();
  }
  zeltDisconnectSign();
  std::ofstream out(argv[3], std::ios::binary);
  out.write(reinterpret_cast<const char*>(&failures), sizeof failures);
  out.write(reinterpret_cast<const char*>(us.data()),
            static_cast<std::streamsize>(us.size() * sizeof(float)));
  return out ? 0 : 1;
}

void ZeltPingProcesses(benchmark::State& state, const char* carrier) {
  const std::string server = serverFor(carrier);
  if (server.empty()) return state.SkipWithError("no such SMB server here");
  const int processes = static_cast<int>(state.range(0));
  std::vector<float> all;
  int64_t failures = 0;
  for (auto _ : state) {
    int go[2], ready[2];
    if (::pipe2(go, O_CLOEXEC) != 0 || ::pipe2(ready, O_CLOEXEC) != 0)
      return state.SkipWithError("no pipe");
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<pid_t> pids;
    for (int i = 0; i < processes; ++i) {
      const std::string out = g_dir + "/pings-" + std::to_string(i);
      pids.push_back(zeltrpc_test::spawnTiedChild({"/proc/self/exe", "--ping-worker", server, out},
                                                  env, {}, go[0], ready[1], 2));
    }
    ::close(go[0]);
    ::close(ready[1]);
    int connected = 0;
    for (int i = 0; i < processes; ++i) {
      pollfd p{ready[0], POLLIN, 0};
      char c = 0;
      if (::poll(&p, 1, 60000) <= 0 || ::read(ready[0], &c, 1) != 1) break;
      connected += c == 'R';
    }
    ::close(go[1]);  // all start
    ::close(ready[0]);
    for (pid_t pid : pids) ::waitpid(pid, nullptr, 0);
    if (connected != processes) return state.SkipWithError("a worker did not connect");
    for (int i = 0; i < processes; ++i) {
      std::ifstream in(g_dir + "/pings-" + std::to_string(i), std::ios::binary);
      int32_t f = 0;
      std::vector<float> us(kPingsPerProcess);
      in.read(reinterpret_cast<char*>(&f), sizeof f);
      in.read(reinterpret_cast<char*>(us.data()),
              static_cast<std::streamsize>(us.size() * sizeof(float)));
      if (!in) return state.SkipWithError("a worker wrote no results");
      failures += f;
      all.insert(all.end(), us.begin(), us.end());
    }
  }
  std::sort(all.begin(), all.end());
  auto at = [&](double q) {
    return all[static_cast<size_t>(q * static_cast<double>(all.size() - 1))];
  };
  state.counters["median_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["calls"] = static_cast<double>(all.size());
  state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK_CAPTURE(ZeltPingProcesses, unix_socket, "unix_socket")
    ->Arg(1)
    ->Arg(8)
    ->Arg(32)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ZeltPingProcesses, smbd, "smbd")
    ->Arg(1)
    ->Arg(8)
    ->Arg(32)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void ZeltGetStatus64K(benchmark::State& state) {
  if (serverFor("unix_socket").empty() || zeltConnectSign(".") != 0)
    return state.SkipWithError("no connection");
  std::vector<char> buffer(k64K);
  uint32_t size = 0;
  for (auto _ : state) {
    if (zeltGetStatus("SIGN1", buffer.data(), k64K, &size) != 0 || size != k64K)
      return state.SkipWithError("status failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * k64K);
  zeltDisconnectSign();
}
BENCHMARK(ZeltGetStatus64K);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--ping-worker") == 0) return pingWorker(argv);
  // The arguments first: --help and a mistyped option end here, before any
  // server starts.
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::string tmpl = (std::filesystem::temp_directory_path() / "zeltrpc-bench-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return 1;
  g_dir = tmpl;
  removeWhenThisProcessEnds(g_dir);
  ::setenv("ZELTRPC_DIR", (g_dir + "/sock").c_str(), 1);
  ::setenv("KRB5CCNAME", ("FILE:" + g_dir + "/no-ticket-cache").c_str(), 1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zeltDisconnectSign();
  stopServers();
  std::filesystem::remove_all(g_dir);
  return 0;
}
