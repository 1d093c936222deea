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
// (--samba-pipe). The smbd cases count this process's CPU time (the client
// alone: smbd and that signsim are other processes) per call, in
// cpu_us_per_call beside the wall time.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/zeltrpc/samba_test_server.h"
#include "tests/zeltrpc/smb_test_server.h"
#include "tools/signsim/server.h"
#include "zeltrpc.h"

namespace {

constexpr uint32_t k64K = 64 * 1024;

std::string g_dir;

// The SMB servers' ports and credentials files; port 0: not available here.
struct Remote {
  uint16_t port = 0;
  std::string authFile;
};
Remote g_impacket, g_smbd;

// Points the library at a remote: its port and credentials. False when it
// is not available.
bool useRemote(const Remote& r) {
  if (r.port == 0) return false;
  ::setenv("ZELTRPC_SMB_PORT", std::to_string(r.port).c_str(), 1);
  ::setenv("ZELTRPC_AUTH_FILE", r.authFile.c_str(), 1);
  return true;
}

// The server's name to connect to: "." for the Unix socket, else the
// remote's after pointing the library at it; empty when not available.
std::string serverFor(const char* carrier) {
  if (std::strcmp(carrier, "unix_socket") == 0) return ".";
  if (useRemote(std::strcmp(carrier, "impacket") == 0 ? g_impacket : g_smbd)) return "127.0.0.1";
  return {};
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
  for (auto _ : state) {
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
    for (auto _ : state) {
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
    for (auto _ : state) {
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
  for (auto _ : state) {
    if (zeltConnectSign(server.c_str()) != 0) return state.SkipWithError("no connection");
    zeltDisconnectSign();
  }
}
BENCHMARK_CAPTURE(ZeltConnect, unix_socket, "unix_socket")->UseRealTime();
BENCHMARK_CAPTURE(ZeltConnect, impacket, "impacket")->UseRealTime();
BENCHMARK_CAPTURE(ZeltConnect, smbd, "smbd")->UseRealTime();

void ZeltGetStatus64K(benchmark::State& state) {
  if (zeltConnectSign(".") != 0) return state.SkipWithError("no connection");
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
  std::string tmpl = (std::filesystem::temp_directory_path() / "zeltrpc-bench-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return 1;
  g_dir = tmpl;
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
    return 1;
  }
  ::setenv("KRB5CCNAME", ("FILE:" + g_dir + "/no-ticket-cache").c_str(), 1);
  auto writeAuth = [](const std::string& path, const char* user, const char* password) {
    if (FILE* f = std::fopen(path.c_str(), "w")) {
      std::fprintf(f, "username = %s\npassword = %s\n", user, password);
      std::fclose(f);
    }
    ::chmod(path.c_str(), 0600);
    return path;
  };
  zeltrpc_test::SmbTestServer smb;
  if (zeltrpc_test::SmbTestServer::unavailable().empty() &&
      smb.start(server->tcpPort(), g_dir, error)) {
    g_impacket.port = smb.port();
    g_impacket.authFile = writeAuth(g_dir + "/auth-op", "op", zeltrpc_test::kSmbTestPassword);
  } else {
    std::fprintf(stderr, "no impacket SMB server: %s\n", error.c_str());
  }
  zeltrpc_test::SambaTestServer samba;
  pid_t signsim = -1;
  std::string why = zeltrpc_test::SambaTestServer::unavailable();
  if (why.empty() && samba.start(g_dir + "/samba", zeltrpc_test::kSambaSettings[0], why)) {
    std::string ncalrpc = samba.ncalrpcDir(), binary = SIGNSIM_BINARY, pipe = "--samba-pipe",
                quiet = "--quiet";
    char* argv[] = {binary.data(), pipe.data(), ncalrpc.data(), quiet.data(), nullptr};
    if (posix_spawn(&signsim, argv[0], nullptr, nullptr, argv, environ) == 0) {
      const std::string socket = ncalrpc + "/np/zeltrpc";
      for (int i = 0; i < 500 && ::access(socket.c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      g_smbd.port = samba.port();
      g_smbd.authFile =
          writeAuth(g_dir + "/auth-zop", zeltrpc_test::kSambaUser, zeltrpc_test::kSambaPassword);
    }
  } else {
    std::fprintf(stderr, "no smbd: %s\n", why.c_str());
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (signsim > 0) {
    ::kill(signsim, SIGTERM);
    ::waitpid(signsim, nullptr, 0);
  }
  samba.stop();
  smb.stop();
  server.reset();
  std::filesystem::remove_all(g_dir);
  return 0;
}
