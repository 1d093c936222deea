// signsim as a separate process: its command line, its log, the library
// talking to it over a real socket, and the socket removed on SIGTERM and
// SIGINT. Also the embedded server's refusals (endpoint in use, bad
// directory, other interfaces).

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/zeltrpc/rpc_test_support.h"
#include "tools/signsim/server.h"
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
    m_out.reset(fds[0]);
  }
  ~Child() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  // Reads lines until one contains `text`; false at end of output, or when
  // none came within `limit` (a child that stopped answering).
  bool readUntil(const std::string& text, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      for (size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
        m_lines.push_back(m_pending.substr(0, end + 1));
        m_pending.erase(0, end + 1);
        if (m_lines.back().find(text) != std::string::npos) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd p{m_out.get(), POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      char chunk[65536];
      const ssize_t n = ::read(m_out.get(), chunk, sizeof chunk);
      if (n <= 0) {
        if (!m_pending.empty()) m_lines.push_back(m_pending + "\n");
        m_pending.clear();
        return false;
      }
      m_pending.append(chunk, static_cast<size_t>(n));
    }
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
  pid_t pid() const { return m_pid; }
  bool saw(const std::string& text) const { return count(text) > 0; }
  size_t count(const std::string& text) const {
    size_t n = 0;
    for (const auto& l : m_lines) n += l.find(text) != std::string::npos;
    return n;
  }
  const std::vector<std::string>& lines() const { return m_lines; }
  std::string output() const {
    std::string all;
    for (const auto& l : m_lines) all += l;
    return all;
  }

 private:
  pid_t m_pid = -1;
  base::UniqueFd m_out;
  std::string m_pending;
  std::vector<std::string> m_lines;
};

// The notification socket of a service manager: a datagram socket at
// `path`, named in $NOTIFY_SOCKET for the children started while it exists.
class ServiceManager {
 public:
  explicit ServiceManager(const std::string& path) {
    m_fd.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    EXPECT_EQ(::bind(m_fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
  }
  ~ServiceManager() { ::unsetenv("NOTIFY_SOCKET"); }
  // The next message, or "" when none came within 10 s.
  std::string next() const {
    pollfd p{m_fd.get(), POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1) return "";
    char message[4096];
    const ssize_t n = ::recv(m_fd.get(), message, sizeof message, 0);
    return n > 0 ? std::string(message, static_cast<size_t>(n)) : "";
  }

 private:
  base::UniqueFd m_fd;
};

// A line of /proc/PID/status in bytes ("VmRSS", "VmHWM").
size_t memoryOf(pid_t pid, const std::string& what) {
  FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  char line[256];
  size_t kib = 0;
  while (f && std::fgets(line, sizeof line, f))
    if (std::string(line).rfind(what + ":", 0) == 0) kib = std::stoul(line + what.size() + 1);
  if (f) std::fclose(f);
  return kib * 1024;
}

// Waits until process `pid` holds at most `count` descriptors (or holds
// them after 10 s); returns how many it holds.
size_t descriptorsOf(pid_t pid, size_t count = SIZE_MAX) {
  size_t n = 0;
  for (int i = 0; i < 200; ++i) {
    n = 0;
    for ([[maybe_unused]] const auto& e :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd"))
      ++n;
    if (n <= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return n;
}

// A signsim child that may hold at most `files` descriptors.
std::unique_ptr<Child> childWithFileLimit(std::vector<std::string> args, rlim_t files) {
  rlimit saved{};
  EXPECT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = files;
  EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  auto child = std::make_unique<Child>(std::move(args));
  ::setrlimit(RLIMIT_NOFILE, &saved);
  return child;
}

// `n` connections to the socket at `path` that send nothing.
std::vector<base::UniqueFd> connectMany(const std::string& path, int n) {
  std::vector<base::UniqueFd> fds;
  for (int i = 0; i < n; ++i) {
    int fd = -1;
    EXPECT_EQ(zeltrpc::rpc::connectUnix(path, std::chrono::milliseconds(5000), fd), 0u);
    zeltrpc::rpc::untrackConnectionFd(fd);
    fds.emplace_back(fd);
  }
  return fds;
}

// A signsim child whose freed memory goes back to the system at once:
// AddressSanitizer otherwise holds freed memory back to catch late uses.
std::unique_ptr<Child> childReturningMemory(std::vector<std::string> args) {
#ifdef __SANITIZE_ADDRESS__
  const char* given = std::getenv("ASAN_OPTIONS");
  const std::string saved = given ? given : "";
  ::setenv("ASAN_OPTIONS", (saved + (saved.empty() ? "" : ":") + "quarantine_size_mb=0").c_str(),
           1);
  auto child = std::make_unique<Child>(std::move(args));
  if (given)
    ::setenv("ASAN_OPTIONS", saved.c_str(), 1);
  else
    ::unsetenv("ASAN_OPTIONS");
  return child;
#else
  return std::make_unique<Child>(std::move(args));
#endif
}

// Waits up to 10 s until process `pid` holds at most `limit` bytes of
// memory; returns what it holds.
size_t residentAtMost(pid_t pid, size_t limit) {
  size_t now = memoryOf(pid, "VmRSS");
  for (int i = 0; i < 100 && now > limit; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    now = memoryOf(pid, "VmRSS");
  }
  return now;
}

// The fragments a client sends for a SetRealTimeData call whose data is
// `bytes` long (alloc_hint: the whole stub), split where the last one starts.
struct FragmentedCall {
  std::vector<uint8_t> fragments;
  size_t lastAt = 0;
  std::span<const uint8_t> first() const {
    const size_t n = static_cast<size_t>(fragments[8]) | static_cast<size_t>(fragments[9]) << 8;
    return {fragments.data(), n};
  }
  std::span<const uint8_t> allButLast() const { return {fragments.data(), lastAt}; }
};
FragmentedCall setRealTimeDataFragments(uint32_t bytes) {
  using namespace zeltrpc::rpc;
  std::vector<uint8_t> stub(20 + bytes, 0);
  stub[4] = static_cast<uint8_t>(bytes);  // the array's count and the length argument agree
  stub[5] = static_cast<uint8_t>(bytes >> 8);
  stub[6] = static_cast<uint8_t>(bytes >> 16);
  stub[7] = static_cast<uint8_t>(bytes >> 24);
  std::copy_n(stub.begin() + 4, 4, stub.end() - 12);
  FragmentedCall call;
  appendFragments(call.fragments, kRequest, DataRep{}, 2, 0, zeltrpc::kSetRealTimeData, stub,
                  kDefaultMaxFrag);
  for (size_t at = 0; at < call.fragments.size();) {
    call.lastAt = at;
    at += static_cast<size_t>(call.fragments[at + 8]) | static_cast<size_t>(call.fragments[at + 9])
                                                            << 8;
  }
  return call;
}

// A connection to the socket at `path` with the sign interface bound.
std::unique_ptr<zeltrpc::rpc::PduStream> boundConnection(const std::string& path) {
  using namespace zeltrpc::rpc;
  int fd = -1;
  EXPECT_EQ(connectUnix(path, std::chrono::milliseconds(5000), fd), 0u);
  untrackConnectionFd(fd);
  auto stream = std::make_unique<PduStream>(fd);
  BindInfo bind;
  bind.abstractSyntax = zeltrpc::signInterface().syntax;
  bind.transferSyntaxes = {ndrTransferSyntax()};
  Pdu ack;
  EXPECT_EQ(stream->sendAll(encodeBind(1, bind), {}), Io::Ok);
  EXPECT_EQ(stream->readPdu(ack, {}), Io::Ok);
  return stream;
}

using SignsimProcessTest = zeltrpc_test::SocketDirFixture;

// The time within which a call that has begun is closed when its next
// fragment does not come, with room for a slow machine.
constexpr auto kFragmentTimeoutForTests = signsim::kFragmentTimeout + std::chrono::seconds(10);

// As a service: ready on the manager's notification socket once it listens;
// each line after its time, connections with their peer; SIGHUP ends it
// like SIGTERM and SIGINT, with its last line and without its socket.
TEST_F(SignsimProcessTest, ServesTheLibraryLogsEachCallAndRemovesItsSocket) {
  const ServiceManager manager(m_root + "/notify");
  const std::string peer = "(pid " + std::to_string(::getpid()) + ", uid " +
                           std::to_string(::getuid()) + ", gid " + std::to_string(::getgid()) + ")";
  for (const auto& [sig, name] :
       {std::pair{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}}) {
    SCOPED_TRACE(name);
    Child child({"--dir", m_dir});
    ASSERT_TRUE(child.readUntil("signsim: listening on " + m_dir + "/zeltrpc")) << child.output();
    EXPECT_EQ(manager.next(), "READY=1\nSTATUS=listening on " + m_dir + "/zeltrpc");
    ASSERT_EQ(zeltConnectSign("."), 0u);
    EXPECT_EQ(zeltSendRealTimeDataPort(1, "abc", 3), 0u);
    int32_t v = 0;
    EXPECT_EQ(zeltGetPhotocell("SIGN2", &v), 0u);
    EXPECT_EQ(v, 512);
    zeltDisconnectSign();
    ASSERT_TRUE(child.readUntil("client 1: closed after 3 calls " + peer)) << child.output();
    int status = child.stop(sig);
    EXPECT_EQ(manager.next(), "STOPPING=1");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << child.output();
    EXPECT_TRUE(child.saw("client 1: connected " + peer)) << child.output();
    EXPECT_TRUE(child.saw("Ping() -> 0"));
    EXPECT_TRUE(child.saw("SendRealTimeDataPort(1, [3] \"abc\", 3) -> 0"));
    EXPECT_TRUE(child.saw("not a request packet: 3 bytes"));
    EXPECT_TRUE(child.saw("GetPhotocell(\"SIGN2\") -> 0"));
    EXPECT_TRUE(child.saw(std::string("signsim: stopped by ") + name + ", socket removed"))
        << child.output();
    const std::regex stamped(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z signsim: .*\n)");
    EXPECT_EQ(child.count("signsim: "), child.lines().size());
    for (const auto& line : child.lines()) EXPECT_TRUE(std::regex_match(line, stamped)) << line;
    struct stat st {};
    EXPECT_NE(::lstat((m_dir + "/zeltrpc").c_str(), &st), 0);
  }
}

// A sign name can hold any byte: in the log it is one escaped item of one
// line, never a line of its own, a quote that ends the item early, or raw
// bytes for the terminal.
TEST_F(SignsimProcessTest, EscapesEveryTextInTheLog) {
  Child child({"--dir", m_dir});
  ASSERT_TRUE(child.readUntil("listening on")) << child.output();
  ASSERT_EQ(zeltConnectSign("."), 0u);
  EXPECT_EQ(zeltBlankSign("A\n2026-01-01T00:00:00.000Z signsim: client 9: forged\t\"\\\xff\x1b"),
            signsim::kUnknownSign);
  zeltDisconnectSign();
  child.stop(SIGTERM);
  EXPECT_TRUE(child.saw(R"(BlankSign("A\x0A2026-01-01T00:00:00.000Z signsim: client 9: forged)"
                        R"(\x09\x22\x5C\xFF\x1B") -> 2)"))
      << child.output();
  EXPECT_EQ(child.count("forged"), 1u) << child.output();  // one line, not two
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

// Out of descriptors, signsim neither spins nor stops answering: the
// connection idle longest makes room for each new one (its client opens
// another at its next call without a word), connections that end give their
// descriptors back at once, and the shortage is said once.
TEST_F(SignsimProcessTest, OutOfDescriptorsTheIdleMakeRoomAndTheEndedGiveTheirsBack) {
  auto child = childWithFileLimit({"--dir", m_dir}, 32);
  ASSERT_TRUE(child->readUntil("listening on")) << child->output();
  const std::string path = m_dir + "/zeltrpc";
  // A connection served and ended while descriptors are to spare: the
  // undefined-behaviour sanitizer checks a class the first time it meets it
  // with a pipe of its own, which it cannot make at the limit.
  const size_t spare = descriptorsOf(child->pid());
  ASSERT_EQ(zeltConnectSign("."), 0u);
  zeltDisconnectSign();
  EXPECT_EQ(descriptorsOf(child->pid(), spare), spare);
  {
    auto idle = connectMany(path, 40);
    ASSERT_TRUE(child->readUntil("cannot take a new connection (Too many open files)"))
        << child->output();
    ASSERT_EQ(zeltConnectSign("."), 0u);
    EXPECT_TRUE(child->saw("the connections idle longest are closed to make room"));
    char c = 0;
    EXPECT_EQ(::recv(idle.front().get(), &c, 1, 0), 0);  // the longest idle was closed
  }
  // Crowds that come and go; the library's connection, idle longest by now,
  // may be among those closed: its next call opens another.
  for (int round = 0; round < 3; ++round) connectMany(path, 40);
  EXPECT_EQ(zeltPing(), 0u);
  zeltDisconnectSign();
  child->stop(SIGTERM);
  EXPECT_EQ(child->count("cannot take a new connection"), 1u) << child->output();
}

// Requests still arriving are counted as their bytes arrive: clients that
// announce the largest request and send one fragment of it keep no other
// call out. They are closed when their next fragment does not come in time.
TEST_F(SignsimProcessTest, HalfSentRequestsStarveNoCallAndAreClosedInTime) {
  using namespace zeltrpc::rpc;
  Child child({"--dir", m_dir});
  ASSERT_TRUE(child.readUntil("listening on")) << child.output();
  const FragmentedCall announced = setRealTimeDataFragments(zeltrpc::kMaxArgumentBytes);
  std::vector<std::unique_ptr<PduStream>> halfSent;
  for (int i = 0; i < 4; ++i) {
    halfSent.push_back(boundConnection(m_dir + "/zeltrpc"));
    ASSERT_EQ(halfSent.back()->sendAll(announced.first(), {}), Io::Ok);
  }
  ASSERT_EQ(zeltConnectSign("."), 0u);
  for (uint32_t size : {64u << 10, 1u << 20}) {
    SCOPED_TRACE(size);
    std::vector<char> data(size, 'd');
    EXPECT_EQ(zeltSetRealTimeData(7, data.data(), size, 0), 0u) << child.output();
  }
  zeltDisconnectSign();
  for (auto& stream : halfSent) {
    Pdu pdu;
    EXPECT_EQ(stream->readPdu(pdu, Clock::now() + kFragmentTimeoutForTests), Io::Closed);
  }
  child.stop(SIGTERM);
  EXPECT_EQ(child.count("no fragment of its unfinished call for 5 s, connection closed"), 4u)
      << child.output();
}

// Stalled requests that hold the whole limit with real bytes make room for
// the largest request; what they held goes back to the system when they go.
TEST_F(SignsimProcessTest, StalledRequestsMakeRoomForTheLargestAndGiveTheirMemoryBack) {
  using namespace zeltrpc::rpc;
  auto child = childReturningMemory({"--dir", m_dir});
  ASSERT_TRUE(child->readUntil("listening on")) << child->output();
  ASSERT_EQ(zeltConnectSign("."), 0u);
  zeltDisconnectSign();
  const size_t before = memoryOf(child->pid(), "VmRSS");
  const FragmentedCall stalled = setRealTimeDataFragments(zeltrpc::kMaxArgumentBytes);
  std::vector<std::unique_ptr<PduStream>> streams;
  for (int i = 0; i < 4; ++i) {
    streams.push_back(boundConnection(m_dir + "/zeltrpc"));
    ASSERT_EQ(streams.back()->sendAll(stalled.allButLast(), {}), Io::Ok);
  }
  ASSERT_EQ(zeltConnectSign("."), 0u);
  std::vector<char> data(zeltrpc::kMaxArgumentBytes, 'd');
  EXPECT_EQ(zeltSetRealTimeData(7, data.data(), zeltrpc::kMaxArgumentBytes, 0), 0u)
      << child->output();
  zeltDisconnectSign();
  EXPECT_TRUE(child->readUntil("connection closed to make room for client 6's")) << child->output();
  // At most the limit, and the call that runs: its arguments decoded from
  // the request, and the data the service keeps.
  const size_t peak = memoryOf(child->pid(), "VmHWM");
  EXPECT_LE(peak, before + signsim::kMaxUnfinishedBytes + (40u << 20));
  streams.clear();
  // The service keeps the 16 MiB of real-time data it was sent, nothing more.
  const size_t after = residentAtMost(child->pid(), before + (24u << 20));
  EXPECT_LE(after, before + (24u << 20)) << "before " << before << ", peak " << peak;
}

// Out of descriptors, connections holding unfinished requests make room like
// idle ones: a ping still gets through.
TEST_F(SignsimProcessTest, OutOfDescriptorsUnfinishedRequestsMakeRoomToo) {
  using namespace zeltrpc::rpc;
  auto child = childWithFileLimit({"--dir", m_dir}, 64);
  ASSERT_TRUE(child->readUntil("listening on")) << child->output();
  const std::string path = m_dir + "/zeltrpc";
  const size_t spare = descriptorsOf(child->pid());  // for the sanitizer, see below
  ASSERT_EQ(zeltConnectSign("."), 0u);
  zeltDisconnectSign();
  EXPECT_EQ(descriptorsOf(child->pid(), spare), spare);
  // Bind and a first fragment each, sent without waiting for an answer.
  BindInfo bind;
  bind.abstractSyntax = zeltrpc::signInterface().syntax;
  bind.transferSyntaxes = {ndrTransferSyntax()};
  std::vector<uint8_t> opening = encodeBind(1, bind);
  const FragmentedCall announced = setRealTimeDataFragments(1u << 20);
  opening.insert(opening.end(), announced.first().begin(), announced.first().end());
  auto unfinished = connectMany(path, 55);
  for (auto& fd : unfinished)
    ASSERT_EQ(::send(fd.get(), opening.data(), opening.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(opening.size()));
  ASSERT_TRUE(child->readUntil("cannot take a new connection (Too many open files)"))
      << child->output();
  ::setenv("ZELTRPC_TIMEOUT_MS", "5000", 1);
  ASSERT_EQ(zeltConnectSign("."), 0u);
  EXPECT_EQ(zeltPing(), 0u);
  zeltDisconnectSign();
}

// Behind smbd every connection starts with the handshake, so none is idle:
// new connections wait until one ends, and are taken when they do.
TEST_F(SignsimProcessTest, OutOfDescriptorsBehindSambaConnectionsWaitTheirTurn) {
  auto child = childWithFileLimit({"--samba-pipe", m_root}, 32);
  ASSERT_TRUE(child->readUntil("listening on")) << child->output();
  const std::string path = m_root + "/np/zeltrpc";
  // A handshake refused (the connection ends) while descriptors are to
  // spare, for the sanitizer (see above); later the same shows that the
  // service answers again.
  auto refusedHandshake = [&](uint8_t last) {
    auto fds = connectMany(path, 1);
    const uint8_t tooBig[4] = {0x07, 0x77, 0x77, last};
    EXPECT_EQ(::send(fds[0].get(), tooBig, sizeof tooBig, MSG_NOSIGNAL), 4);
    return child->readUntil("length " + std::to_string(0x07777700 + last) + " is too big");
  };
  const size_t spare = descriptorsOf(child->pid());
  EXPECT_TRUE(refusedHandshake(0x77)) << child->output();
  EXPECT_EQ(descriptorsOf(child->pid(), spare), spare);
  {
    auto waiting = connectMany(path, 40);
    ASSERT_TRUE(child->readUntil("cannot take a new connection (Too many open files)"))
        << child->output();
    EXPECT_TRUE(child->saw("new connections wait until one ends"));
  }
  EXPECT_TRUE(refusedHandshake(0x78)) << child->output();
  child->stop(SIGTERM);
  EXPECT_EQ(child->count("cannot take a new connection"), 1u) << child->output();
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
  {
    Child child({"--version"});
    int status = child.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(std::regex_match(child.output(), std::regex("signsim \\d+\\.\\d+\n")))
        << child.output();
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

// Restarted at once after SIGKILL, as a service manager restarts it, the
// service takes its endpoint back every time: the old one's lock went with
// its process, whatever its socket still did.
TEST_F(SignsimProcessTest, RestartsAfterSigkillWithoutRefusal) {
  int refused = 0;
  std::unique_ptr<Child> killed;
  for (int round = 0; round < 50; ++round) {
    auto child = std::make_unique<Child>(std::vector<std::string>{"--dir", m_dir});
    killed.reset();  // reaped only now
    if (!child->readUntil("listening on")) {
      ++refused;
      continue;
    }
    // A client connected, and another in the listening socket's queue.
    auto clients = connectMany(m_dir + "/zeltrpc", 2);
    ::kill(child->pid(), SIGKILL);
    killed = std::move(child);
  }
  EXPECT_EQ(refused, 0);
}

// A log reader that stops reading holds up no call: lines past what waits
// for it are dropped and counted, and the count is said when it reads again.
TEST_F(SignsimProcessTest, AStuckLogReaderHoldsUpNoCall) {
  Child child({"--dir", m_dir});  // nobody reads its output until it stops
  ASSERT_TRUE(child.readUntil("listening on")) << child.output();
  ::setenv("ZELTRPC_TIMEOUT_MS", "5000", 1);
  ASSERT_EQ(zeltConnectSign("."), 0u);
  const std::string sign(64, 'S');  // a long line per call
  for (int i = 0; i < 8000; ++i) ASSERT_EQ(zeltBlankSign(sign.c_str()), signsim::kUnknownSign) << i;
  zeltDisconnectSign();
  child.stop(SIGTERM);
  EXPECT_TRUE(child.saw(" log lines dropped: standard output was not read")) << child.output();
  EXPECT_TRUE(child.saw("stopped by SIGTERM, socket removed"));
}

// Buffers of a megabyte or more go back to the system after their call,
// while the connection stays.
TEST_F(SignsimProcessTest, LargeCallsLeaveNoLargeBuffersBehind) {
  auto child = childReturningMemory({"--dir", m_dir});
  ASSERT_TRUE(child->readUntil("listening on")) << child->output();
  ASSERT_EQ(zeltConnectSign("."), 0u);
  const size_t before = memoryOf(child->pid(), "VmRSS");
  const uint32_t limit = zeltrpc::kMaxArgumentBytes;
  std::vector<char> data(limit, 'd');
  const std::string sign(limit, 'S');
  const struct {
    const char* what;
    std::function<uint32_t()> call;
    uint32_t status;
  } calls[] = {
      {"16 MiB reply", [&] { return zeltGetRealTimeData(7, data.data(), limit, 0); }, 0},
      {"16 MiB text and data", [&] { return zeltShowFrame(sign.c_str(), data.data(), limit); },
       signsim::kUnknownSign},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.call(), c.status);
    const size_t after = residentAtMost(child->pid(), before + (4u << 20));
    EXPECT_LE(after, before + (4u << 20)) << "before " << before;
  }
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
