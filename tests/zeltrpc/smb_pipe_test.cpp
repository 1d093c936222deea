// The ncacn_np carrier against a real SMB server: impacket's server on a
// loopback port, its named pipe `zeltrpc` forwarded to an embedded signsim's
// TCP socket. Failures and their
// statuses, a restarted service, the credentials file, and no password in
// any output.

#include "zeltrpc/rpc/smb_pipe.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "tests/zeltrpc/rpc_test_support.h"
#include "tests/zeltrpc/smb_test_server.h"
#include "tools/signsim/server_stub.h"
#include "zeltrpc.h"
#include "zeltrpc/client_stub.h"
#include "zeltrpc/rpc/binding.h"
#include "zeltrpc/rpc/string_binding.h"

namespace {

using namespace std::chrono_literals;
using zeltrpc::rpc::BindingHandle;
using zeltrpc_test::kSmbTestPassword;

class SmbPipeTest : public zeltrpc_test::EmbeddedServerFixture {
 protected:
  void SetUp() override {
    EmbeddedServerFixture::SetUp();
    if (std::string why = zeltrpc_test::SmbTestServer::unavailable(); !why.empty())
      GTEST_SKIP() << why;
    if (!zeltrpc::rpc::loadSmbClient()) GTEST_SKIP() << "libsmbclient.so.0 cannot be loaded here";
    // No ticket cache and no per-user file: only what each test names.
    ::setenv("KRB5CCNAME", ("FILE:" + m_root + "/no-ticket-cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_root + "/config").c_str(), 1);
    m_authFile = m_root + "/auth";
    writeAuthFile(kSmbTestPassword, 0600);
    ::setenv("ZELTRPC_AUTH_FILE", m_authFile.c_str(), 1);
  }
  void TearDown() override {
    zeltDisconnectSign();
    m_smb.stop();
    for (const char* v : {"KRB5CCNAME", "XDG_CONFIG_HOME", "ZELTRPC_AUTH_FILE", "ZELTRPC_SMB_PORT"})
      ::unsetenv(v);
    EmbeddedServerFixture::TearDown();
  }

  // signsim on a free loopback TCP port (or `port`), then the SMB server in
  // front of it.
  void startBoth(signsim::Options options = {}) {
    options.tcp = "127.0.0.1:0";
    startServer(options);
    std::string error;
    ASSERT_TRUE(m_smb.start(m_server->tcpPort(), m_root, error)) << error;
    ::setenv("ZELTRPC_SMB_PORT", std::to_string(m_smb.port()).c_str(), 1);
  }
  void restartSignsim(signsim::Options options = {}) {
    const uint16_t port = m_server->tcpPort();
    stopServer();
    options.tcp = "127.0.0.1:" + std::to_string(port);
    startServer(options);
  }
  // A null password writes no password line.
  void writeAuthFile(const char* password, mode_t mode) {
    ::unlink(m_authFile.c_str());
    {
      std::ofstream f(m_authFile, std::ios::trunc);
      f << "username = op\n";
      if (password) f << "password = " << password << "\n";
      f << "domain = WORKGROUP\n";
    }
    ::chmod(m_authFile.c_str(), mode);
  }
  // A binding of its own to `endpoint` on `server` (it takes the time-out
  // when made).
  static std::unique_ptr<BindingHandle> pipeBinding(const char* endpoint,
                                                    const char* server = "127.0.0.1") {
    zeltrpc::rpc::StringBinding parts;
    parts.protseq = "ncacn_np";
    parts.networkAddress = std::string("\\\\") + server;
    parts.endpoint = endpoint;
    std::unique_ptr<BindingHandle> handle;
    BindingHandle::fromStringBinding(zeltrpc::rpc::composeStringBinding(parts), handle);
    return handle;
  }
  static uint32_t ping(const std::unique_ptr<BindingHandle>& handle) {
    return handle ? zeltrpc::callProcedure<zeltrpc::kPing>(handle.get()) : 1700u;
  }
  uint32_t pingPipe(const char* endpoint) { return ping(pipeBinding(endpoint)); }

  zeltrpc_test::SmbTestServer m_smb;
  std::string m_authFile;
};

// Sends this process's standard error to a file until finish() (or the end
// of the scope, should a check end the test early).
class StderrCapture {
 public:
  explicit StderrCapture(std::string path) : m_path(std::move(path)) {
    std::fflush(stderr);
    m_saved = ::dup(2);
    int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
  }
  ~StderrCapture() { finish(); }
  std::string finish() {
    if (m_saved >= 0) {
      std::fflush(stderr);
      ::dup2(m_saved, 2);
      ::close(m_saved);
      m_saved = -1;
    }
    std::ifstream in(m_path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  std::string m_path;
  int m_saved = -1;
};

template <class F>
std::chrono::milliseconds timed(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

// The service restarts behind the SMB server while the client is idle:
// impacket's server takes the next request into the pipe of the gone
// service, so that call may have reached it and fails (1726); the one after
// gets through on a new pipe. A service that stops answering ends the call
// at the time-out. (Every procedure and a 64 KiB reply: carrier_test.cpp.)
TEST_F(SmbPipeTest, RestartedServiceAndSilentService) {
  signsim::Options options;
  startBoth(options);
  ASSERT_EQ(zeltConnectSign("127.0.0.1"), 0u);

  restartSignsim();
  const uint32_t first = zeltPing();
  EXPECT_TRUE(first == 0 || first == 1726) << first;
  EXPECT_EQ(zeltPing(), 0u);

  ::setenv("ZELTRPC_TIMEOUT_MS", "700", 1);
  ASSERT_EQ(zeltConnectSign("127.0.0.1"), 0u);  // the binding takes the time-out when made
  options = {};
  options.delayMs = 3000;
  restartSignsim(options);
  zeltPing();  // meets the old pipe
  uint32_t late = 0;
  auto took = timed([&] { late = zeltPing(); });
  EXPECT_EQ(late, 1818u);
  EXPECT_LT(took, 700ms + 1000ms);
}

// Failures end as the statuses the header names, within the time-out, and
// no password reaches any output: not this process's, not the service's log,
// not the SMB server's.
TEST_F(SmbPipeTest, FailuresGiveTheirStatusesAndNoPasswordShows) {
  startBoth();
  ::setenv("ZELTRPC_TIMEOUT_MS", "1500", 1);
  StderrCapture capture(m_root + "/stderr");

  // A port where something accepts connections and never answers.
  int silent = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(silent, 8), 0);
  ::getsockname(silent, reinterpret_cast<sockaddr*>(&addr), &len);
  // A port with nothing on it: a closed listener's.
  int closed = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in gone{};
  gone.sin_family = AF_INET;
  gone.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  len = sizeof gone;
  ::bind(closed, reinterpret_cast<sockaddr*>(&gone), sizeof gone);
  ::getsockname(closed, reinterpret_cast<sockaddr*>(&gone), &len);
  ::close(closed);

  const std::string smbPort = std::to_string(m_smb.port());
  // Through the exported connect the named pipe's status is the result (the
  // second try, ncacn_nb_nb, has no carrier here), and the process stays
  // unconnected. (First: the library and the runtime this test also links
  // each hold a copy of the carrier, and libsmbclient takes one call at a
  // time.)
  writeAuthFile("not-the-password", 0600);
  EXPECT_EQ(zeltConnectSign("127.0.0.1"), 5u);
  EXPECT_EQ(zeltIsServer("127.0.0.1"), 0u);
  // How the credentials file is found, and the ticket cache beside it.
  enum class File { Plain, Fifo, Link, Foreign, NoUser, UserPastTheLimit };
  enum class Cache { None, Empty, Garbage };
  struct Case {
    const char* what;
    std::string port;
    const char* password;
    mode_t mode;
    const char* endpoint;
    uint32_t status;
    File file = File::Plain;
    Cache cache = Cache::None;
  } cases[] = {
      {"right password", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 0},
      {"empty ticket cache", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 0, File::Plain,
       Cache::Empty},
      {"broken ticket cache", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 0, File::Plain,
       Cache::Garbage},
      {"user without a password", smbPort, nullptr, 0600, "\\pipe\\zeltrpc", 5},
      {"password without a user", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 5,
       File::NoUser},
      {"user after 64 KiB of blank lines", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 5,
       File::UserPastTheLimit},
      {"FIFO as credentials file", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 5,
       File::Fifo},
      {"link as credentials file", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 5,
       File::Link},
      {"credentials file of another user", smbPort, kSmbTestPassword, 0600, "\\pipe\\zeltrpc", 5,
       File::Foreign},
      {"wrong password", smbPort, "not-the-password", 0600, "\\pipe\\zeltrpc", 5},
      {"group-readable credentials file", smbPort, kSmbTestPassword, 0640, "\\pipe\\zeltrpc", 5},
      {"others-readable credentials file", smbPort, kSmbTestPassword, 0604, "\\pipe\\zeltrpc", 5},
      {"no such pipe", smbPort, kSmbTestPassword, 0600, "\\pipe\\nosuch", 1722},
      {"nothing on the port", std::to_string(ntohs(gone.sin_port)), kSmbTestPassword, 0600,
       "\\pipe\\zeltrpc", 1722},
      {"a server that never answers", std::to_string(ntohs(addr.sin_port)), kSmbTestPassword, 0600,
       "\\pipe\\zeltrpc", 1722},
  };
  const std::string realFile = m_root + "/auth-real", cache = m_root + "/ccache";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeAuthFile(c.password, c.mode);
    if (c.file == File::Fifo) {
      ::unlink(m_authFile.c_str());
      ASSERT_EQ(::mkfifo(m_authFile.c_str(), 0600), 0);
    } else if (c.file == File::Link) {
      ASSERT_EQ(::rename(m_authFile.c_str(), realFile.c_str()), 0);
      ASSERT_EQ(::symlink(realFile.c_str(), m_authFile.c_str()), 0);
    } else if (c.file == File::NoUser || c.file == File::UserPastTheLimit) {
      std::ofstream f(m_authFile, std::ios::trunc);
      if (c.file == File::UserPastTheLimit) f << std::string(65536, '\n') << "username = op\n";
      f << "password = " << c.password << "\n";
    } else if (c.file == File::Foreign && ::chown(m_authFile.c_str(), ::getuid() + 1, -1) != 0) {
      continue;  // not allowed to give a file away here
    }
    ::unlink(cache.c_str());
    if (c.cache != Cache::None) {
      std::ofstream(cache) << (c.cache == Cache::Garbage ? "not a ticket cache" : "");
      ::setenv("KRB5CCNAME", ("FILE:" + cache).c_str(), 1);
    } else {
      ::setenv("KRB5CCNAME", ("FILE:" + m_root + "/no-ticket-cache").c_str(), 1);
    }
    ::setenv("ZELTRPC_SMB_PORT", c.port.c_str(), 1);
    uint32_t status = 99;
    auto took = timed([&] { status = pingPipe(c.endpoint); });
    EXPECT_EQ(status, c.status);
    EXPECT_LT(took, 1500ms + 1500ms);
  }
  ::close(silent);

  const std::string ours = capture.finish();
  // Each reason a credentials file is refused for is said once.
  for (const char* reason :
       {"group or others may read it", "not a regular file", "Too many levels of symbolic links",
        "no password", "names a password but no user", "longer than 65536 bytes"}) {
    const size_t at = ours.find(reason);
    EXPECT_NE(at, std::string::npos) << reason << " in: " << ours;
    EXPECT_EQ(ours.find(reason, at + 1), std::string::npos) << reason << " twice in: " << ours;
  }
  std::string service;
  for (const auto& line : log()) service += line + "\n";
  for (const auto& [name, text] : {std::pair<const char*, std::string>{"stderr", ours},
                                   {"signsim log", service},
                                   {"SMB server output", m_smb.output()}}) {
    EXPECT_EQ(text.find(kSmbTestPassword), std::string::npos) << name << ": " << text;
    EXPECT_EQ(text.find("not-the-password"), std::string::npos) << name << ": " << text;
  }
}

// A call whose request reached the service runs once, whatever happens to its
// reply: the service runs it and closes the connection without the reply, or
// after 100 bytes of a reply whose header claims 65535. The caller gets 1726
// over either carrier, on a connection that had served a call before.
TEST_F(SmbPipeTest, ACallThatLostItsReplyRunsOnceAndFails) {
  struct Case {
    const char* server;
    bool cut;
  } cases[] = {{".", false}, {".", true}, {"127.0.0.1", false}, {"127.0.0.1", true}};
  signsim::Options options;
  options.loseReplyAfter = 1;
  startBoth(options);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.server) + (c.cut ? " cut reply" : " no reply"));
    options.cutReply = c.cut;
    restartSignsim(options);
    ASSERT_EQ(zeltConnectSign(c.server), 0u);  // the connection's one answered call
    const uint64_t before = m_server->callCount();
    EXPECT_EQ(zeltQueueSequence("SIGN1", "SEQ1", 1, 2), 1726u);
    EXPECT_EQ(m_server->callCount(), before + 1);
  }
}

// fork() while another thread waits for its reply: the child starts with no
// connection of its parent's (its calls return 1702) and connects afresh
// without meeting a lock held at the fork; the parent's call gets its reply.
TEST_F(SmbPipeTest, AForkedChildStartsUnconnectedWhileACallIsInFlight) {
  signsim::Options options;
  options.delayMs = 400;
  startBoth(options);
  ::setenv("ZELTRPC_TIMEOUT_MS", "5000", 1);
  for (const char* server : {".", "127.0.0.1"}) {
    SCOPED_TRACE(server);
    ASSERT_EQ(zeltConnectSign(server), 0u);
    uint32_t inFlight = 99;
    std::thread caller([&] { inFlight = zeltPing(); });
    std::this_thread::sleep_for(150ms);
    const pid_t child = ::fork();
    if (child == 0) {
      const uint32_t first = zeltPing();
      const uint32_t connected = zeltConnectSign(server);
      const uint32_t pinged = zeltPing();
      ::_exit(first != 1702 ? 1 : connected != 0 ? 2 : pinged != 0 ? 3 : 0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    pid_t done = 0;
    auto took = timed([&] {
      for (int i = 0; i < 400 && (done = ::waitpid(child, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(10ms);
    });
    if (done == 0) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
    }
    caller.join();
    EXPECT_EQ(done, child) << "the child still ran after " << took.count() << " ms";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(inFlight, 0u);
  }
}

// A program whose call timed out against a stalled service, leaving the
// library's worker waiting inside libsmbclient, then exits, or unloads the
// library and exits: it ends long before the service would have answered,
// and not by a signal. The service answers only after 10 s, so a program
// that waited for it cannot pass, while the margin left for starting the
// program, loading libsmbclient and connecting (slow under sanitizers on a
// loaded machine) is wide.
TEST_F(SmbPipeTest, ExitOrUnloadAfterATimeOutEndsPromptly) {
  signsim::Options options;
  options.delayMs = 10000;
  startBoth(options);
  ::setenv("ZELTRPC_TIMEOUT_MS", "3000", 1);
  struct Run {
    const char* how;
    pid_t pid = -1;
    int status = -1;
    std::chrono::milliseconds took{};
  } runs[] = {{"exit"}, {"dlclose"}};
  const auto start = std::chrono::steady_clock::now();
  for (auto& r : runs) {
    std::string program = ZELTRPC_DLOPEN_EXIT, library = ZELTRPC_LIBRARY, server = "127.0.0.1",
                status = "1818", how = r.how;
    char* argv[] = {program.data(), library.data(), server.data(),
                    status.data(),  how.data(),     nullptr};
    ASSERT_EQ(posix_spawn(&r.pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
  }
  for (int left = 2; left > 0;) {
    for (auto& r : runs) {
      if (r.took.count() || ::waitpid(r.pid, &r.status, WNOHANG) != r.pid) continue;
      r.took = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - start);
      --left;
    }
    if (std::chrono::steady_clock::now() - start > 30s) break;
    std::this_thread::sleep_for(20ms);
  }
  for (auto& r : runs) {
    SCOPED_TRACE(r.how);
    if (!r.took.count()) {
      ::kill(r.pid, SIGKILL);
      ::waitpid(r.pid, &r.status, 0);
      ADD_FAILURE() << "still running after 30 s";
      continue;
    }
    EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0) << r.status;
    EXPECT_LT(r.took, 3000ms + 5000ms);
  }
}

// While one connection waits for a slow service inside libsmbclient (which
// takes one call at a time), a connect that cannot get its turn in time ends
// as a call that did not run (1727), not as an unreachable server.
TEST_F(SmbPipeTest, AConnectHeldUpByAnotherCallTimesOut) {
  signsim::Options options;
  options.delayMs = 2000;
  startBoth(options);
  ::setenv("ZELTRPC_TIMEOUT_MS", "4000", 1);
  auto slow = pipeBinding("\\pipe\\zeltrpc");
  ::setenv("ZELTRPC_TIMEOUT_MS", "700", 1);
  auto held = pipeBinding("\\pipe\\zeltrpc");
  uint32_t slowStatus = 99;
  std::thread caller([&] { slowStatus = ping(slow); });
  std::this_thread::sleep_for(500ms);
  uint32_t status = 99;
  auto took = timed([&] { status = ping(held); });
  caller.join();
  EXPECT_EQ(status, 1727u);
  EXPECT_LT(took, 700ms + 500ms);
  EXPECT_EQ(slowStatus, 0u);
}

// IPv6 literals name a computer too, bare or in brackets.
TEST_F(SmbPipeTest, IPv6LiteralsAreServerNames) {
  startBoth();
  zeltrpc_test::SmbTestServer v6;
  std::string error;
  if (!v6.start(m_server->tcpPort(), m_root, error, "::1")) GTEST_SKIP() << error;
  ::setenv("ZELTRPC_SMB_PORT", std::to_string(v6.port()).c_str(), 1);
  for (const char* name : {"::1", "[::1]"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(zeltConnectSign(name), 0u);
    EXPECT_EQ(zeltPing(), 0u);
  }
}

}  // namespace
