// One table over the carriers: the same checks through the Unix socket, the
// named pipe of impacket's SMB server (forwarded to signsim's TCP socket),
// and the named pipe of a real Samba smbd (signsim --samba-pipe) in its
// default settings, with signing mandatory and with encryption required.
// Then what only the Samba path has: its statuses, smbd restarting, the
// service dying in the middle of a call, zeltctl through it, and signsim's
// refusal of a handshake that is not smbd's.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/zeltrpc/round_trip_cases.h"
#include "tests/zeltrpc/rpc_test_support.h"
#include "tests/zeltrpc/samba_test_server.h"
#include "tests/zeltrpc/smb_test_server.h"
#include "tools/signsim/server_stub.h"
#include "zeltrpc.h"
#include "zeltrpc/client_stub.h"
#include "zeltrpc/rpc/binding.h"
#include "zeltrpc/rpc/smb_pipe.h"
#include "zeltrpc/rpc/string_binding.h"

// Samba's memory kept for the life of the process (samba_leaks.cpp).
extern "C" const char* __lsan_default_suppressions();

namespace {

using namespace std::chrono_literals;
using zeltrpc::rpc::BindingHandle;
using zeltrpc_test::kSambaPassword;
using zeltrpc_test::kSambaSettings;
using zeltrpc_test::kSambaUser;
using zeltrpc_test::SambaSetting;

enum class Kind { UnixSocket, Impacket, Samba };
struct CarrierCase {
  const char* name;
  Kind kind;
  const SambaSetting* setting = nullptr;
};
const CarrierCase kCarriers[] = {
    {"UnixSocket", Kind::UnixSocket},
    {"Impacket", Kind::Impacket},
    {"Smbd", Kind::Samba, &kSambaSettings[0]},
    {"SmbdSigning", Kind::Samba, &kSambaSettings[1]},
    {"SmbdEncryption", Kind::Samba, &kSambaSettings[2]},
};

template <class F>
std::chrono::milliseconds timed(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

class CarrierFixture : public zeltrpc_test::EmbeddedServerFixture {
 protected:
  void TearDown() override {
    zeltDisconnectSign();
    stopServer();  // before smbd, so that no open of the pipe is in flight
    m_samba.stop();
    m_impacket.stop();
    for (const char* v : {"KRB5CCNAME", "XDG_CONFIG_HOME", "ZELTRPC_AUTH_FILE", "ZELTRPC_SMB_PORT"})
      ::unsetenv(v);
    EmbeddedServerFixture::TearDown();
  }

  // Skips the test, saying why, where the carrier cannot run at all.
  void requireCarrier(const CarrierCase& c) {
    if (c.kind == Kind::UnixSocket) return;
    std::string why = c.kind == Kind::Samba ? zeltrpc_test::SambaTestServer::unavailable()
                                            : zeltrpc_test::SmbTestServer::unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    if (!zeltrpc::rpc::loadSmbClient()) GTEST_SKIP() << "libsmbclient.so.0 cannot be loaded here";
    // No ticket cache and no per-user file: only the credentials named here.
    ::setenv("KRB5CCNAME", ("FILE:" + m_root + "/no-ticket-cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_root + "/config").c_str(), 1);
    ::setenv("ZELTRPC_AUTH_FILE", (m_root + "/auth").c_str(), 1);
    if (c.kind == Kind::Samba)
      writeAuthFile(kSambaUser, kSambaPassword);
    else
      writeAuthFile("op", zeltrpc_test::kSmbTestPassword);
  }

  void writeAuthFile(const std::string& user, const std::string& password, size_t padding = 0) {
    const std::string path = m_root + "/auth";
    std::ofstream(path, std::ios::trunc)
        << "username = " << user << "\npassword = " << password << "\ndomain = WORKGROUP\n"
        << std::string(padding, '#');
    ::chmod(path.c_str(), 0600);
  }

  // Starts the carrier's servers and an embedded signsim behind them; the
  // name of the sign server for zeltConnectSign.
  std::string startCarrier(const CarrierCase& c, signsim::Options options = {}) {
    m_kind = c.kind;
    std::string error;
    if (c.kind == Kind::Samba) {
      if (!m_samba.start(m_root + "/samba", *c.setting, error, m_sambaExtraLines)) {
        ADD_FAILURE() << error;
        return {};
      }
      ::setenv("ZELTRPC_SMB_PORT", std::to_string(m_samba.port()).c_str(), 1);
      options.sambaPipe = m_samba.ncalrpcDir();
    } else if (c.kind == Kind::Impacket) {
      options.tcp = "127.0.0.1:0";
    }
    startServer(options);
    if (c.kind == Kind::Impacket) {
      if (!m_impacket.start(m_server->tcpPort(), m_root, error)) {
        ADD_FAILURE() << error;
        return {};
      }
      ::setenv("ZELTRPC_SMB_PORT", std::to_string(m_impacket.port()).c_str(), 1);
    }
    return c.kind == Kind::UnixSocket ? "." : "127.0.0.1";
  }

  // A binding of its own, as another process would have.
  std::unique_ptr<BindingHandle> ownBinding(const char* endpoint = nullptr) {
    zeltrpc::rpc::StringBinding parts;
    if (m_kind == Kind::UnixSocket) {
      parts.protseq = "ncalrpc";
      parts.endpoint = endpoint ? endpoint : "zeltrpc";
    } else {
      parts.protseq = "ncacn_np";
      parts.networkAddress = "\\\\127.0.0.1";
      parts.endpoint = endpoint ? endpoint : "\\pipe\\zeltrpc";
    }
    std::unique_ptr<BindingHandle> handle;
    EXPECT_EQ(BindingHandle::fromStringBinding(zeltrpc::rpc::composeStringBinding(parts), handle),
              0u);
    return handle;
  }
  uint32_t pingOn(BindingHandle* handle) {
    return handle ? zeltrpc::callProcedure<zeltrpc::kPing>(handle) : 1702u;
  }

  Kind m_kind = Kind::UnixSocket;
  std::string m_sambaExtraLines;  // smb.conf lines beyond the setting's
  zeltrpc_test::SambaTestServer m_samba;
  zeltrpc_test::SmbTestServer m_impacket;
};

class CarrierTest : public CarrierFixture, public ::testing::WithParamInterface<CarrierCase> {
 protected:
  void SetUp() override {
    CarrierFixture::SetUp();
    requireCarrier(GetParam());
  }
};

TEST_P(CarrierTest, EveryProcedureRoundTrips) {
  const std::string server = startCarrier(GetParam());
  ASSERT_EQ(zeltConnectSign(server.c_str()), 0u);
  EXPECT_EQ(zeltIsServer(server.c_str()), 1u);
  zeltrpc_test::checkEveryProcedure([this] { return signsim::describeCall(m_server->lastCall()); });
  // The session is what the setting asks for.
  if (GetParam().kind == Kind::Samba) {
    const std::string sessions = m_samba.sessions();
    EXPECT_NE(sessions.find(GetParam().setting->shows), std::string::npos) << sessions;
  }
}

// A 64 KiB reply: a dozen fragments, each a message of its own on a pipe.
TEST_P(CarrierTest, SixtyFourKilobyteReply) {
  signsim::Options options;
  options.statusFill = 65536;
  const std::string server = startCarrier(GetParam(), options);
  ASSERT_EQ(zeltConnectSign(server.c_str()), 0u);
  std::vector<char> status(65536);
  uint32_t size = 0;
  ASSERT_EQ(zeltGetStatus("SIGN1", status.data(), 65536, &size), 0u);
  EXPECT_EQ(size, 65536u);
  EXPECT_EQ(status.back(), '.');
}

// Four clients, each on a connection (a pipe open) of its own, calling at
// the same time; every call is answered on its own connection.
TEST_P(CarrierTest, FourClientsAtOnce) {
  startCarrier(GetParam());
  std::atomic<int> failures{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < 4; ++t)
    clients.emplace_back([&, t] {
      auto handle = ownBinding();
      const std::string data(57, static_cast<char>('a' + t));
      for (int i = 0; i < 25; ++i) {
        if (pingOn(handle.get()) != 0) ++failures;
        if (zeltrpc::callProcedure<zeltrpc::kSendRealTimeDataPort>(handle.get(), int32_t{t},
                                                                   data.c_str(), uint32_t{57}) != 0)
          ++failures;
      }
    });
  for (auto& c : clients) c.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(m_server->callCount(), 4u * 50u);
  for (int t = 0; t < 4; ++t) {
    auto got = m_server->service().realTimeData(t);
    EXPECT_EQ(std::string(got.begin(), got.end()), std::string(57, static_cast<char>('a' + t)));
  }
}

INSTANTIATE_TEST_SUITE_P(Carriers, CarrierTest, ::testing::ValuesIn(kCarriers),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- Samba only

class SambaPipeTest : public CarrierFixture,
                      public ::testing::WithParamInterface<const SambaSetting*> {
 protected:
  void SetUp() override {
    CarrierFixture::SetUp();
    m_case = {GetParam()->name, Kind::Samba, GetParam()};
    requireCarrier(m_case);
  }

  // signsim as a process of its own behind smbd; waits until it says it
  // listens (its socket file shows a moment before it accepts).
  void startSignsimProcess(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {SIGNSIM_BINARY, "--samba-pipe", m_samba.ncalrpcDir()};
    args.insert(args.end(), extra.begin(), extra.end());
    const std::string out = m_root + "/signsim-" + std::to_string(++m_signsimRuns) + ".out";
    m_signsim = spawn(args, out);
    ASSERT_GT(m_signsim, 0);
    for (int i = 0; i < 1000 && readFile(out).find("listening on") == std::string::npos; ++i)
      std::this_thread::sleep_for(10ms);
    ASSERT_NE(readFile(out).find("listening on"), std::string::npos) << "signsim did not start";
  }
  void killSignsimProcess() {
    if (m_signsim > 0) {
      ::kill(m_signsim, SIGKILL);
      ::waitpid(m_signsim, nullptr, 0);
      m_signsim = -1;
    }
  }
  void TearDown() override {
    killSignsimProcess();
    CarrierFixture::TearDown();
  }

  // Runs a program of ours with its output in `output` (its standard error
  // in `output`.err). In a sanitized
  // build its leak check is told of Samba's process-long memory, as this
  // test's own is (samba_leaks.cpp).
  pid_t spawn(std::vector<std::string> args, const std::string& output) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    const std::string suppressions = m_root + "/lsan-suppressions";
    std::ofstream(suppressions) << __lsan_default_suppressions();
    env.push_back("LSAN_OPTIONS=suppressions=" + suppressions);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, (output + ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  static std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  CarrierCase m_case;
  pid_t m_signsim = -1;
  int m_signsimRuns = 0;
};

// Refused credentials give 5; a pipe nobody serves gives 1722 (smbd finds no
// socket for it); so does this pipe while signsim is not running. Neither
// waits for the time-out, and no password reaches the service's log or
// smbd's.
TEST_P(SambaPipeTest, StatusesOfRefusedCredentialsAndMissingPipes) {
  startCarrier(m_case);
  auto right = ownBinding();
  ASSERT_EQ(pingOn(right.get()), 0u);

  writeAuthFile(kSambaUser, "not-the-password");
  EXPECT_EQ(pingOn(ownBinding().get()), 5u);
  writeAuthFile(kSambaUser, kSambaPassword);

  uint32_t status = 0;
  auto took = timed([&] { status = pingOn(ownBinding("\\pipe\\nosuch").get()); });
  EXPECT_EQ(status, 1722u);
  std::cout << "[ smbd ] a missing pipe: 1722 after " << took.count() << " ms\n";
  EXPECT_LT(took, 5000ms);

  stopServer();
  took = timed([&] { status = pingOn(ownBinding().get()); });
  EXPECT_EQ(status, 1722u);
  std::cout << "[ smbd ] the pipe without its service: 1722 after " << took.count() << " ms\n";

  for (const std::string& text : {readFile(m_root + "/samba/log.smbd"), [&] {
                                    std::string all;
                                    for (const auto& l : log()) all += l + "\n";
                                    return all;
                                  }()}) {
    EXPECT_EQ(text.find(kSambaPassword), std::string::npos) << text;
    EXPECT_EQ(text.find("not-the-password"), std::string::npos) << text;
  }
}

// smbd restarts while the client is idle: the process's binding reaches the
// service again without a new zeltConnectSign.
TEST_P(SambaPipeTest, SmbdRestartedBetweenCalls) {
  ASSERT_EQ(zeltConnectSign(startCarrier(m_case).c_str()), 0u);
  ASSERT_EQ(zeltPing(), 0u);
  std::string error;
  ASSERT_TRUE(m_samba.restart(error)) << error;
  EXPECT_EQ(zeltPing(), 0u);
  EXPECT_EQ(zeltPing(), 0u);
}

// zeltctl reaches signsim behind smbd; then the service dies in the middle
// of a call: the call ends with a status well before its time-out, and once
// the service is back the next call gets through on the same binding.
TEST_P(SambaPipeTest, ZeltctlPingAndServiceKilledInTheMiddleOfACall) {
  std::string error;
  ASSERT_TRUE(m_samba.start(m_root + "/samba", *m_case.setting, error)) << error;
  ::setenv("ZELTRPC_SMB_PORT", std::to_string(m_samba.port()).c_str(), 1);
  startSignsimProcess({"--delay-ms", "100"});

  const std::string out = m_root + "/zeltctl.out";
  pid_t zeltctl = spawn({ZELTCTL_BINARY, "--server", "127.0.0.1", "ping"}, out);
  int exitStatus = -1;
  ASSERT_EQ(::waitpid(zeltctl, &exitStatus, 0), zeltctl);
  EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0)
      << readFile(out) << readFile(out + ".err");
  EXPECT_EQ(readFile(out), "status=0 ERROR_SUCCESS\n");
  EXPECT_NE(readFile(m_root + "/signsim-1.out").find("named pipe handshake from smbd accepted"),
            std::string::npos)
      << readFile(m_root + "/signsim-1.out");

  ::setenv("ZELTRPC_TIMEOUT_MS", "8000", 1);
  ASSERT_EQ(zeltConnectSign("127.0.0.1"), 0u);
  killSignsimProcess();
  startSignsimProcess({"--delay-ms", "3000"});
  auto pending = std::async(std::launch::async, [] {
    const auto start = std::chrono::steady_clock::now();
    const uint32_t s = zeltPing();
    return std::make_pair(s, std::chrono::steady_clock::now() - start);
  });
  std::this_thread::sleep_for(500ms);
  killSignsimProcess();
  const auto [status, took] = pending.get();
  EXPECT_NE(status, 0u);
  EXPECT_LT(took, 4000ms);
  std::cout << "[ smbd ] service killed in a call: status " << status << " after "
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
  startSignsimProcess();
  EXPECT_EQ(zeltPing(), 0u);
}

// Once connected, a call whose request and reply are one fragment each costs
// one SMB write and one SMB read, as smbd's own request counts show; a 64 KiB
// argument takes one write per fragment of the negotiated size (the largest
// that a pipe message holds) and a 64 KiB reply no more than two reads per
// fragment.
TEST_P(SambaPipeTest, SmbRequestsPerCall) {
  m_sambaExtraLines = "smbd profiling level = on\n";
  ASSERT_EQ(zeltConnectSign(startCarrier(m_case).c_str()), 0u);
  struct Counts {
    uint64_t writes, reads;
  };
  auto counts = [&] {
    // Each smbd process writes its counts out a second after its requests.
    std::this_thread::sleep_for(1300ms);
    return Counts{m_samba.profileCount("smb2_write_count"),
                  m_samba.profileCount("smb2_read_count")};
  };
  const Counts connected = counts();
  ASSERT_GT(connected.writes, 0u) << "smbd keeps no profile";
  for (int i = 0; i < 50; ++i) ASSERT_EQ(zeltPing(), 0u);
  const Counts pinged = counts();
  EXPECT_EQ(pinged.writes - connected.writes, 50u);
  EXPECT_EQ(pinged.reads - connected.reads, 50u);

  // The request's stub is 65 556 bytes: two fragments.
  const std::string data(65536, 'd');
  ASSERT_EQ(zeltSetRealTimeData(3, data.data(), 65536, 0), 0u);
  const Counts set = counts();
  EXPECT_EQ(set.writes - pinged.writes, 2u);
  EXPECT_EQ(set.reads - pinged.reads, 1u);

  std::vector<char> back(65536);
  ASSERT_EQ(zeltGetRealTimeData(3, back.data(), 65536, 0), 0u);
  EXPECT_EQ(std::string(back.begin(), back.end()), data);
  const Counts got = counts();
  EXPECT_EQ(got.writes - set.writes, 1u);
  EXPECT_LE(got.reads - set.reads, 4u);
  std::cout << "[ smbd ] SMB writes/reads: 50 pings " << pinged.writes - connected.writes << "/"
            << pinged.reads - connected.reads << ", 64 KiB argument " << set.writes - pinged.writes
            << "/" << set.reads - pinged.reads << ", 64 KiB reply " << got.writes - set.writes
            << "/" << got.reads - set.reads << "\n";
}

// The largest arguments of the interface pass smbd whole: in buffers of
// 64 KiB and of the largest request signsim takes (16 MiB of stub), a long
// sign name, and a 64 KiB reply read back.
TEST_P(SambaPipeTest, LargestArguments) {
  ASSERT_EQ(zeltConnectSign(startCarrier(m_case).c_str()), 0u);
  auto pattern = [](size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i % 61);
    return s;
  };
  // SetRealTimeData's stub: value1, count, data (padded to 4), length,
  // value2, value3.
  constexpr size_t kLargestData = 16 * 1024 * 1024 - 20;
  struct Case {
    size_t length;
    int32_t port;
  };
  for (const Case c : {Case{65000, 1}, Case{65536, 2}, Case{kLargestData, 3}}) {
    const std::string data = pattern(c.length, 'A');
    EXPECT_EQ(zeltSetRealTimeData(c.port, data.data(), static_cast<uint32_t>(c.length), 0), 0u)
        << c.length;
    const auto stored = m_server->service().realTimeData(c.port);
    EXPECT_TRUE(std::string(stored.begin(), stored.end()) == data) << c.length;
  }
  const std::string packet = pattern(65536, 'a');
  EXPECT_EQ(zeltSendRealTimeDataPort(4, packet.data(), 65536), 0u);
  const auto sent = m_server->service().realTimeData(4);
  EXPECT_TRUE(std::string(sent.begin(), sent.end()) == packet);

  const std::string longName(4000, 'S');
  EXPECT_EQ(zeltShowFrame(longName.c_str(), packet.data(), 65536), signsim::kUnknownSign);
  const signsim::CallArgs frame = m_server->lastCall();
  EXPECT_TRUE(frame.v[0].text == longName);
  EXPECT_TRUE(std::string(frame.v[1].bytes.begin(), frame.v[1].bytes.end()) == packet);

  std::vector<char> back(65536);
  ASSERT_EQ(zeltGetRealTimeData(2, back.data(), 65536, 0), 0u);
  EXPECT_TRUE(std::string(back.begin(), back.end()) == pattern(65536, 'A'));
}

// The library's own copy of the password lives only while the pipe opens;
// what stays is libsmbclient's: 3 plain copies per connect in this Samba, in
// memory it allocated (freed but not cleared after the disconnect). A second
// connect makes 3 of its own, which take the old ones' place where freed
// memory is reused at once (glibc) and come on top of them where it is not
// (valgrind, sanitizers). A program of its own counts them (a test's
// process holds copies of its own).
// The file is 20 KB long, so that a reader whose buffer grows while reading
// would leave copies of the password line behind in the buffers it outgrew.
TEST_P(SambaPipeTest, PasswordCopiesLeftAreOnlyLibsmbclients) {
  startCarrier(m_case);
  writeAuthFile(kSambaUser, kSambaPassword, 20000);
  std::string masked = kSambaPassword;
  for (char& c : masked) c = static_cast<char>(c ^ 0x5A);
  const std::string out = m_root + "/copies.out";
  const pid_t pid = spawn({ZELTRPC_PASSWORD_COPIES, "127.0.0.1", masked}, out);
  int exitStatus = -1;
  ASSERT_EQ(::waitpid(pid, &exitStatus, 0), pid);
  ASSERT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0) << readFile(out + ".err");
  int before = -1, connected = -1, disconnected = -1, again = -1;
  ASSERT_EQ(std::sscanf(readFile(out).c_str(), "before=%d connected=%d disconnected=%d again=%d",
                        &before, &connected, &disconnected, &again),
            4)
      << readFile(out);
  std::cout << "[ smbd ] plain copies of the password: " << readFile(out);
  EXPECT_EQ(before, 0);
  EXPECT_LE(connected, 3);
  EXPECT_LE(disconnected, 3);
  EXPECT_LE(again, 2 * 3);
}

INSTANTIATE_TEST_SUITE_P(Settings, SambaPipeTest,
                         ::testing::Values(&kSambaSettings[0], &kSambaSettings[1],
                                           &kSambaSettings[2]),
                         [](const auto& info) { return std::string(info.param->name); });

// A connection to signsim's pipe socket that does not start with smbd's
// handshake is logged and closed, whatever it sends.
TEST_F(CarrierFixture, SignsimRefusesAHandshakeThatIsNotSmbds) {
  const std::string dir = m_root + "/ncalrpc";
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  signsim::Options options;
  options.sambaPipe = dir;
  startServer(options);
  const std::vector<std::string> handshakes = {
      std::string("\0\0\0\x0cNPAM\x07\0\0\0\x08\0\0\0", 16),  // arm differs from the level
      std::string("\0\0\0\x0cNPAX\x07\0\0\0\x07\0\0\0", 16),  // no magic
      std::string("\0\0\0\x0cNPAM\x06\0\0\0\x06\0\0\0", 16),  // level 6
      std::string("\x7f\0\0\0", 4),                           // 2 GiB announced
      std::string("\x05\0\x0b\x03\x10\0\0\0\x48\0\0\0\x01\0\0\0", 16),  // a bind, no handshake
  };
  for (const auto& h : handshakes) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", m_server->socketPath().c_str());
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::send(fd, h.data(), h.size(), MSG_NOSIGNAL), static_cast<ssize_t>(h.size()));
    ::shutdown(fd, SHUT_WR);
    char c;
    EXPECT_EQ(::recv(fd, &c, 1, 0), 0);  // closed without an answer
    ::close(fd);
  }
  int refused = 0;
  for (const auto& l : log()) refused += l.find("connection closed") != std::string::npos;
  EXPECT_EQ(refused, static_cast<int>(handshakes.size())) << ::testing::PrintToString(log());
  EXPECT_EQ(m_server->callCount(), 0u);
}

}  // namespace
