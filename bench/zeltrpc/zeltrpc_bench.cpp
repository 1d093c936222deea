// Cost of a call through the library against signsim, next to the floor: a
// raw Unix-socket exchange of the same sizes with the same threading (one
// server thread per connection, blocking reads).
//
//   zeltPing, zeltSendRealTimeDataPort (57 bytes)  vs  RawEcho/57
//   zeltGetStatus with a 64 KiB reply              vs  RawTransfer64K
//
// zeltPing also runs over the named pipe of an SMB server on this computer
// (impacket's, forwarding the pipe to signsim's TCP socket), beside the same
// ping over the Unix socket.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/zeltrpc/smb_test_server.h"
#include "tools/signsim/server.h"
#include "zeltrpc.h"

namespace {

constexpr uint32_t k64K = 64 * 1024;

std::string g_dir;
bool g_smbReady = false;

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

void ZeltPing(benchmark::State& state, const char* server) {
  if (std::strcmp(server, ".") != 0 && !g_smbReady)
    return state.SkipWithError("no SMB server here");
  if (zeltConnectSign(server) != 0) return state.SkipWithError("no connection");
  for (auto _ : state) {
    if (zeltPing() != 0) return state.SkipWithError("ping failed");
  }
  zeltDisconnectSign();
}
BENCHMARK_CAPTURE(ZeltPing, unix_socket, ".");
BENCHMARK_CAPTURE(ZeltPing, smb_pipe, "127.0.0.1");

void ZeltSendRealTimeDataPort57(benchmark::State& state) {
  if (zeltConnectSign(".") != 0) return state.SkipWithError("no connection");
  const std::string packet(57, 'p');
  for (auto _ : state) {
    if (zeltSendRealTimeDataPort(0, packet.data(), 57) != 0)
      return state.SkipWithError("send failed");
  }
  zeltDisconnectSign();
}
BENCHMARK(ZeltSendRealTimeDataPort57);

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
  zeltrpc_test::SmbTestServer smb;
  if (zeltrpc_test::SmbTestServer::unavailable().empty() &&
      smb.start(server->tcpPort(), g_dir, error)) {
    const std::string auth = g_dir + "/auth";
    if (FILE* f = std::fopen(auth.c_str(), "w")) {
      std::fprintf(f, "username = op\npassword = %s\n", zeltrpc_test::kSmbTestPassword);
      std::fclose(f);
    }
    ::chmod(auth.c_str(), 0600);
    ::setenv("ZELTRPC_AUTH_FILE", auth.c_str(), 1);
    ::setenv("ZELTRPC_SMB_PORT", std::to_string(smb.port()).c_str(), 1);
    ::setenv("KRB5CCNAME", ("FILE:" + g_dir + "/no-ticket-cache").c_str(), 1);
    g_smbReady = true;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  smb.stop();
  server.reset();
  std::filesystem::remove_all(g_dir);
  return 0;
}
