// signsim as a separate process: its command line, its log, the library
// talking to it over a real socket, and the socket removed on SIGTERM and
// SIGINT. Also the embedded server's refusals (endpoint in use, bad
// directory, other interfaces).

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/zeltrpc/rpc_test_support.h"
#include "tools/signsim/sign_service.h"
#include "zeltrpc.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/rpc/transport.h"
#include "zeltrpc/sign_interface.h"

extern char** environ;

namespace {

// A signsim child with its standard output read through a pipe.
class Child {
 public:
  explicit Child(std::vector<std::string> args) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    args.insert(args.begin(), SIGNSIM_PATH);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&m_pid, SIGNSIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_out = ::fdopen(fds[0], "r");
  }
  ~Child() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out) std::fclose(m_out);
  }
  // Reads lines until one contains `text`; false at end of output.
  bool readUntil(const std::string& text) {
    char line[4096];
    while (std::fgets(line, sizeof line, m_out)) {
      m_lines.emplace_back(line);
      if (m_lines.back().find(text) != std::string::npos) return true;
    }
    return false;
  }
  int stop(int sig) {
    ::kill(m_pid, sig);
    readUntil("\x01never");  // the rest of the output
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return status;
  }
  int wait() {
    readUntil("\x01never");
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return status;
  }
  bool saw(const std::string& text) const {
    for (const auto& l : m_lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
  std::string output() const {
    std::string all;
    for (const auto& l : m_lines) all += l;
    return all;
  }

 private:
  pid_t m_pid = -1;
  FILE* m_out = nullptr;
  std::vector<std::string> m_lines;
};

using SignsimProcessTest = zeltrpc_test::SocketDirFixture;

TEST_F(SignsimProcessTest, ServesTheLibraryLogsEachCallAndRemovesItsSocket) {
  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig);
    Child child({"--dir", m_dir});
    ASSERT_TRUE(child.readUntil("signsim: listening on " + m_dir + "/zeltrpc")) << child.output();
    ASSERT_EQ(zeltConnectSign("."), 0u);
    EXPECT_EQ(zeltSendRealTimeDataPort(1, "abc", 3), 0u);
    int32_t v = 0;
    EXPECT_EQ(zeltGetPhotocell("SIGN2", &v), 0u);
    EXPECT_EQ(v, 512);
    zeltDisconnectSign();
    int status = child.stop(sig);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << child.output();
    EXPECT_TRUE(child.saw("Ping() -> 0"));
    EXPECT_TRUE(child.saw("SendRealTimeDataPort(1, [3] \"abc\", 3) -> 0"));
    EXPECT_TRUE(child.saw("not a request packet: 3 bytes"));
    EXPECT_TRUE(child.saw("GetPhotocell(\"SIGN2\") -> 0"));
    EXPECT_TRUE(child.saw("socket removed"));
    struct stat st {};
    EXPECT_NE(::lstat((m_dir + "/zeltrpc").c_str(), &st), 0);
  }
}

// Texts and data up to the library's limit reach the service, all at once in
// the largest request (a text and data at the limit); one byte more is
// refused by the library with 87 before anything is sent, and the
// connection serves on.
TEST_F(SignsimProcessTest, TakesEveryArgumentTheLibrarySendsAndTheLibraryRefusesLarger) {
  Child child({"--dir", m_dir});
  ASSERT_TRUE(child.readUntil("listening on")) << child.output();
  ASSERT_EQ(zeltConnectSign("."), 0u);
  const uint32_t limit = zeltrpc::kMaxArgumentBytes;
  std::vector<char> data(limit + 1, 'd');
  const std::string sign(limit, 'S'), longerSign(limit + 1, 'S');
  EXPECT_EQ(zeltSetRealTimeData(7, data.data(), limit, 0), 0u);
  EXPECT_EQ(zeltGetRealTimeData(7, data.data(), limit, 0), 0u);
  EXPECT_EQ(zeltShowFrame(sign.c_str(), data.data(), limit), signsim::kUnknownSign);
  const struct {
    const char* what;
    std::function<uint32_t()> call;
  } over[] = {
      {"data", [&] { return zeltSendRealTimeDataPort(0, data.data(), limit + 1); }},
      {"text", [&] { return zeltBlankSign(longerSign.c_str()); }},
      {"fixed-size output", [&] { return zeltGetRealTimeData(7, data.data(), limit + 1, 0); }},
  };
  for (const auto& c : over) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), 87u);
  }
  EXPECT_EQ(zeltPing(), 0u);
  zeltDisconnectSign();
  child.stop(SIGTERM);
  const std::string log = child.output();
  EXPECT_NE(log.find("SetRealTimeData(7, [16777216] \"dddd"), std::string::npos);
  EXPECT_NE(log.find("GetRealTimeData(7, 16777216, 0, 0) -> 0"), std::string::npos);
  EXPECT_NE(log.find("[16777216] \"dddd"), log.rfind("[16777216] \"dddd"));  // ShowFrame's too
  for (const char* notSent : {"SendRealTimeDataPort", "BlankSign", "GetRealTimeData(7, 16777217"})
    EXPECT_EQ(log.find(notSent), std::string::npos) << notSent;
  size_t binds = 0;
  for (size_t at = log.find(": bind "); at != std::string::npos; at = log.find(": bind ", at + 1))
    ++binds;
  EXPECT_EQ(binds, 1u);
}

TEST_F(SignsimProcessTest, OptionsShapeTheService) {
  Child child({"--dir", m_dir, "--endpoint", "zeltrpc", "--big-endian", "--fault", "18",
               "--max-frag", "64", "--drop-after", "100", "--delay-ms", "1", "--status-fill",
               "300"});
  ASSERT_TRUE(child.readUntil("listening on")) << child.output();
  ASSERT_EQ(zeltConnectSign("."), 0u);
  int32_t v = 0;
  EXPECT_EQ(zeltGetPhotocell("SIGN1", &v), 1726u);
  char buffer[400];
  uint32_t size = 0;
  EXPECT_EQ(zeltGetStatus("SIGN1", buffer, sizeof buffer, &size), 0u);
  EXPECT_EQ(size, 300u);
  zeltDisconnectSign();
  child.stop(SIGTERM);
  EXPECT_TRUE(child.saw("GetPhotocell(\"SIGN1\") -> fault 0x1C000012"));
}

TEST_F(SignsimProcessTest, HelpAndBadOptions) {
  {
    Child child({"--help"});
    int status = child.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(child.saw("usage: signsim"));
    EXPECT_TRUE(child.saw("--drop-after N"));
  }
  for (std::vector<std::string> bad : {std::vector<std::string>{"--bogus"},
                                       {"--max-frag", "10"},
                                       {"--fault"},
                                       {"--delay-ms", "x"}}) {
    SCOPED_TRACE(bad[0]);
    Child child(bad);
    int status = child.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << child.output();
  }
}

TEST_F(SignsimProcessTest, RefusesAnEndpointInUseAndReplacesAStaleSocket) {
  Child first({"--dir", m_dir});
  ASSERT_TRUE(first.readUntil("listening on"));
  {
    Child second({"--dir", m_dir});
    int status = second.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_TRUE(second.saw("in use")) << second.output();
  }
  first.stop(SIGKILL);  // dies without removing its socket
  Child third({"--dir", m_dir});
  EXPECT_TRUE(third.readUntil("listening on")) << third.output();
  ASSERT_EQ(zeltConnectSign("."), 0u);
  zeltDisconnectSign();
}

TEST_F(SignsimProcessTest, RefusesAForeignOrOpenDirectory) {
  ASSERT_EQ(::mkdir(m_dir.c_str(), 0777), 0);
  ::chmod(m_dir.c_str(), 0777);
  Child child({"--dir", m_dir});
  int status = child.wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_TRUE(child.saw("writable by group or others")) << child.output();
}

using SignsimEmbeddedTest = zeltrpc_test::EmbeddedServerFixture;

// A start that fails after its socket was bound (here: no descriptor left
// for the wake-up pipe) leaves no socket file behind.
TEST_F(SignsimEmbeddedTest, FailedStartRemovesItsSocketFile) {
  const int next = ::dup(0);  // the lowest free descriptor
  ASSERT_GE(next, 0);
  ::close(next);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(next) + 1;  // room for the socket only
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  signsim::Options options;
  options.dir = m_dir;
  std::string error;
  bool started = false;
  {
    signsim::SignServer server(options);
    started = server.start(error);
  }
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_FALSE(started);
  EXPECT_NE(error.find("Too many open files"), std::string::npos) << error;
  struct stat st {};
  EXPECT_NE(::lstat((m_dir + "/zeltrpc").c_str(), &st), 0);
}

// Another interface is refused at bind time.
TEST_F(SignsimEmbeddedTest, BindsOnlyTheSignInterface) {
  using namespace zeltrpc::rpc;
  startServer();
  int fd = -1;
  ASSERT_EQ(connectUnix(m_server->socketPath(), std::chrono::milliseconds(1000), fd), 0u);
  PduStream stream(fd);
  BindInfo bind;
  bind.abstractSyntax = {*parseUuid("11223344-5566-7788-99aa-bbccddeeff00"), 1, 0};
  bind.transferSyntaxes = {ndrTransferSyntax()};
  auto bytes = encodeBind(1, bind);
  ASSERT_EQ(stream.sendAll(bytes, {}), Io::Ok);
  Pdu pdu;
  ASSERT_EQ(stream.readPdu(pdu, {}), Io::Ok);
  BindAckInfo ack;
  ASSERT_TRUE(parseBindAck(pdu, ack));
  EXPECT_EQ(ack.result, 2);
  EXPECT_EQ(ack.reason, 1);
  // A request without a bound interface gets a fault, not an answer.
  std::vector<uint8_t> request;
  appendFragments(request, kRequest, DataRep{}, 2, 0, 0, {}, kDefaultMaxFrag);
  ASSERT_EQ(stream.sendAll(request, {}), Io::Ok);
  ASSERT_EQ(stream.readPdu(pdu, {}), Io::Ok);
  uint32_t status = 0;
  ASSERT_TRUE(parseFault(pdu, status));
  EXPECT_EQ(status, zeltrpc::rpc::kNcaUnkIf);
  EXPECT_TRUE(logContains("bind 11223344-5566-7788-99aa-bbccddeeff00 v1.0 rejected"));
}

// Opnums the library never sends (1, 17, 36, 37, 38) are served by their
// argument lists; an opnum past the table gets a fault.
TEST_F(SignsimEmbeddedTest, ServesTheOpnumsTheLibraryNeverSends) {
  using namespace zeltrpc::rpc;
  startServer();
  int fd = -1;
  ASSERT_EQ(connectUnix(m_server->socketPath(), std::chrono::milliseconds(1000), fd), 0u);
  PduStream stream(fd);
  BindInfo bind;
  bind.abstractSyntax = zeltrpc::signInterface().syntax;
  bind.transferSyntaxes = {ndrTransferSyntax()};
  ASSERT_EQ(stream.sendAll(encodeBind(1, bind), {}), Io::Ok);
  Pdu pdu;
  ASSERT_EQ(stream.readPdu(pdu, {}), Io::Ok);
  auto call = [&](uint16_t opnum, const std::vector<uint8_t>& stub, std::vector<uint8_t>& reply) {
    std::vector<uint8_t> out;
    appendFragments(out, kRequest, DataRep{}, 9, 0, opnum, stub, kDefaultMaxFrag);
    if (stream.sendAll(out, {}) != Io::Ok || stream.readPdu(pdu, {}) != Io::Ok) return -1;
    if (pdu.ptype == kFault) {
      uint32_t s = 0;
      parseFault(pdu, s);
      return static_cast<int>(s);
    }
    CallFragment f;
    parseCallFragment(pdu, f);
    reply.assign(f.stub.begin(), f.stub.end());
    return 0;
  };
  std::vector<uint8_t> reply;
  using zeltrpc_test::bytes;
  EXPECT_EQ(call(1, {}, reply), 0);
  EXPECT_EQ(reply, bytes({0, 0, 0, 0}));
  // 36: value1, data "ab", length 2, out buffer, size 8 -> the data echoed.
  EXPECT_EQ(
      call(36, bytes({7, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 2, 0, 0, 0, 8, 0, 0, 0}), reply), 0);
  EXPECT_EQ(reply, bytes({2, 0, 0, 0, 'a', 'b', 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}));
  // 17: a text -> "text=" and the text.
  EXPECT_EQ(call(17, bytes({2, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'q', 0, 0, 0, 16, 0, 0, 0}), reply),
            0);
  EXPECT_EQ(std::string(reply.begin() + 4, reply.begin() + 10), "text=q");
  // A buffer whose count differs from its size argument is bad stub data.
  EXPECT_EQ(call(40, bytes({0, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 3, 0, 0, 0}), reply), 0x6F7);
  EXPECT_EQ(call(59, {}, reply), static_cast<int>(zeltrpc::rpc::kNcaOpRangeError));
  // GetRealTimeData asking for 2 GiB: refused, not allocated.
  EXPECT_EQ(call(35, bytes({0, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f, 0, 0, 0, 0, 0, 0, 0, 0}), reply),
            0x6F7);
}

}  // namespace
