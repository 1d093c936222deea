// The library against a server that misbehaves on purpose: counts larger than
// the caller's buffer, truncated and malformed PDUs, a wrong call id, bind
// rejections, a server that never answers. Every case ends as an error status,
// nothing is written past a buffer (run under AddressSanitizer in CI), and the
// next call works again on a fresh connection.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "tests/zeltrpc/rpc_test_support.h"
#include "zeltrpc.h"
#include "zeltrpc/rpc/ndr.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/transport.h"
#include "zeltrpc/sign_interface.h"

namespace {

using namespace zeltrpc::rpc;

// What the scripted server sends for one request: bytes, then optionally
// closes the connection. `silent` sends nothing and keeps the connection.
struct Answer {
  std::vector<uint8_t> bytes;
  bool close = false;
  bool silent = false;
};

using Responder = std::function<Answer(uint32_t callId, uint16_t opnum)>;
using BindResponder = std::function<std::vector<uint8_t>(uint32_t callId)>;

std::vector<uint8_t> response(uint32_t callId, const std::vector<uint8_t>& stub, DataRep rep = {}) {
  std::vector<uint8_t> out;
  appendFragments(out, kResponse, rep, callId, 0, 0, stub, kDefaultMaxFrag);
  return out;
}

std::vector<uint8_t> statusOnly(uint32_t callId, uint32_t status = 0) {
  std::vector<uint8_t> stub(4);
  store32(stub.data(), status, false);
  return response(callId, stub);
}

std::vector<uint8_t> acceptBind(uint32_t callId) {
  BindAckInfo ack;
  ack.transferSyntax = ndrTransferSyntax();
  return encodeBindAck(DataRep{}, callId, ack);
}

// A one-thread server on the ncalrpc socket that answers binds with
// `onBind` and requests with `onRequest`. With `answeredBeforeUnreadClose`
// set to N, it answers the first N requests it is sent in all, then closes
// every connection as soon as a request waits in it, without reading it.
class ScriptedServer {
 public:
  ScriptedServer(const std::string& dir, Responder onRequest, BindResponder onBind = acceptBind,
                 int answeredBeforeUnreadClose = -1)
      : m_onRequest(std::move(onRequest)),
        m_onBind(std::move(onBind)),
        m_unreadAfter(answeredBeforeUnreadClose) {
    EXPECT_EQ(checkSocketDirectory(dir, true), 0u);
    std::string path = dir + "/zeltrpc";
    m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path.c_str());
    EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(::listen(m_fd, 8), 0);
    m_thread = std::thread([this] { run(); });
  }
  ~ScriptedServer() {
    m_stop = true;
    ::shutdown(m_fd, SHUT_RDWR);
    if (m_current >= 0) ::shutdown(m_current, SHUT_RDWR);
    m_thread.join();
    ::close(m_fd);
  }

 private:
  void run() {
    while (!m_stop) {
      int c = ::accept(m_fd, nullptr, nullptr);
      if (c < 0) return;
      m_current = c;
      PduStream stream(c);
      bool bound = false;
      for (;;) {
        if (bound && m_unreadAfter >= 0 && m_answered >= m_unreadAfter) {
          pollfd p{c, POLLIN, 0};
          ::poll(&p, 1, -1);
          break;
        }
        Pdu pdu;
        if (stream.readPdu(pdu, {}) != Io::Ok) break;
        if (pdu.ptype == kBind) {
          if (stream.sendAll(m_onBind(pdu.callId), {}) != Io::Ok) break;
          bound = true;
          continue;
        }
        ++m_answered;
        CallFragment f;
        if (!parseCallFragment(pdu, f)) break;
        Answer a = m_onRequest(pdu.callId, f.opnum);
        if (a.silent) continue;
        stream.sendAll(a.bytes, {});
        if (a.close) break;
      }
      m_current = -1;
    }
  }

  Responder m_onRequest;
  BindResponder m_onBind;
  int m_unreadAfter = -1;
  int m_answered = 0;
  int m_fd = -1;
  std::atomic<int> m_current{-1};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

struct HostileCase {
  const char* what;
  std::function<Answer(uint32_t callId)> getStatusAnswer;
  uint32_t expected;
};

std::vector<uint8_t> withHeaderChange(std::vector<uint8_t> pdu, size_t offset, uint8_t value) {
  pdu[offset] = value;
  return pdu;
}

using HostileTest = zeltrpc_test::SocketDirFixture;

TEST_F(HostileTest, BadRepliesEndAsStatusesWithoutOverflow) {
  ::setenv("ZELTRPC_TIMEOUT_MS", "300", 1);
  auto getStatusStub = [](uint32_t count, size_t bytesSent, uint32_t size) {
    std::vector<uint8_t> stub(4);
    store32(stub.data(), count, false);
    stub.resize(4 + bytesSent, 'Z');
    while (stub.size() % 4) stub.push_back(0);
    stub.resize(stub.size() + 8);
    store32(&stub[stub.size() - 8], size, false);
    return stub;
  };
  const HostileCase cases[] = {
      {"count larger than the buffer",
       [&](uint32_t id) { return Answer{response(id, getStatusStub(100, 100, 100))}; }, 1783},
      {"count far past the reply",
       [&](uint32_t id) { return Answer{response(id, getStatusStub(0xFFFFFFF0u, 4, 4))}; }, 1783},
      {"size differs from the count",
       [&](uint32_t id) { return Answer{response(id, getStatusStub(4, 4, 8))}; }, 1783},
      {"reply stub cut short",
       [&](uint32_t id) {
         return Answer{response(id, {4, 0, 0})};
       },
       1783},
      {"reply larger than any fitting one",
       [&](uint32_t id) { return Answer{response(id, std::vector<uint8_t>(5000, 1))}; }, 1783},
      {"PDU truncated, then closed",
       [&](uint32_t id) {
         auto r = response(id, getStatusStub(4, 4, 4));
         r.resize(20);
         return Answer{r, true};
       },
       1726},
      {"wrong call id",
       [&](uint32_t id) { return Answer{response(id + 5, getStatusStub(4, 4, 4))}; }, 1728},
      {"wrong protocol version",
       [&](uint32_t id) { return Answer{withHeaderChange(statusOnly(id), 0, 4)}; }, 1728},
      {"frag_length below the header",
       [&](uint32_t id) { return Answer{withHeaderChange(statusOnly(id), 8, 10)}; }, 1728},
      {"frag_length below the response header",
       [&](uint32_t id) {
         auto r = statusOnly(id);
         r[8] = 20;
         r.resize(20);
         return Answer{r};
       },
       1728},
      {"auth trailer nobody asked for",
       [&](uint32_t id) { return Answer{withHeaderChange(statusOnly(id), 10, 8)}; }, 1728},
      {"first fragment without FIRST",
       [&](uint32_t id) { return Answer{withHeaderChange(statusOnly(id), 3, 0x02)}; }, 1728},
      {"unexpected PDU type", [&](uint32_t id) { return Answer{acceptBind(id)}; }, 1728},
      {"fault with status 0",
       [&](uint32_t id) { return Answer{encodeFault(DataRep{}, id, 0, 0, false)}; }, 1726},
      {"fault for an unknown procedure",
       [&](uint32_t id) { return Answer{encodeFault(DataRep{}, id, 0, 0x1C010002, true)}; }, 1745},
      {"connection closed without a reply",
       [&](uint32_t) {
         return Answer{{}, true};
       },
       1726},
      {"shutdown PDU",
       [&](uint32_t id) {
         auto r = statusOnly(id);
         r[2] = kShutdown;
         return Answer{r};
       },
       1726},
      {"never answers",
       [&](uint32_t) {
         return Answer{{}, false, true};
       },
       1818},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedServer server(m_dir, [&](uint32_t id, uint16_t opnum) {
      return opnum == zeltrpc::kGetStatus ? c.getStatusAnswer(id) : Answer{statusOnly(id)};
    });
    ASSERT_EQ(zeltConnectSign("."), 0u);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t size = 0;
    // The caller's buffer is 8 bytes inside 16; the guard must stay intact.
    EXPECT_EQ(zeltGetStatus("SIGN1", buffer, 8, &size), c.expected);
    EXPECT_EQ(std::string(buffer + 8, 8), "########");
    // The binding recovers: the next call works.
    EXPECT_EQ(zeltPing(), 0u);
    zeltDisconnectSign();
    ::unlink((m_dir + "/zeltrpc").c_str());
  }
}

// A service that closes the connection before reading the request cannot
// have run it: the call says so (1727), also when it was sent once more on a
// new connection because the first was left open from an earlier call.
TEST_F(HostileTest, RequestLeftUnreadIsACallThatDidNotRun) {
  ::setenv("ZELTRPC_TIMEOUT_MS", "2000", 1);
  for (bool reused : {true, false}) {
    SCOPED_TRACE(reused ? "connection left open by the connect" : "connection of its own");
    int calls = 0;
    ScriptedServer server(
        m_dir,
        [&](uint32_t id, uint16_t) {
          ++calls;
          return Answer{statusOnly(id)};
        },
        acceptBind, reused ? 1 : 0);
    if (reused) {
      ASSERT_EQ(zeltConnectSign("."), 0u);
      EXPECT_EQ(zeltPing(), 1727u);
    } else {
      EXPECT_EQ(zeltConnectSign("."), 1727u);
    }
    EXPECT_EQ(calls, reused ? 1 : 0);
    zeltDisconnectSign();
    ::unlink((m_dir + "/zeltrpc").c_str());
  }
}

struct BindCase {
  const char* what;
  BindResponder answer;
  uint32_t expected;
};

TEST_F(HostileTest, BindFailuresEndAsStatuses) {
  ::setenv("ZELTRPC_TIMEOUT_MS", "300", 1);
  auto ack = [](uint16_t result, uint16_t reason, uint16_t frag = kDefaultMaxFrag) {
    return [=](uint32_t id) {
      BindAckInfo a;
      a.result = result;
      a.reason = reason;
      a.maxXmitFrag = a.maxRecvFrag = frag;
      a.transferSyntax = ndrTransferSyntax();
      return encodeBindAck(DataRep{}, id, a);
    };
  };
  const BindCase cases[] = {
      {"abstract syntax refused", ack(2, 1), 1717},
      {"transfer syntax refused", ack(2, 2), 1722},
      {"user rejection", ack(1, 0), 1727},
      // A bind answered wrongly: the call was not sent, so it did not run.
      {"fragment size too small", ack(0, 0, 20), 1727},
      {"bind_nak busy", [](uint32_t id) { return encodeBindNak(DataRep{}, id, 1); }, 1723},
      {"bind_nak protocol version", [](uint32_t id) { return encodeBindNak(DataRep{}, id, 4); },
       1727},
      {"bind_ack cut short",
       [](uint32_t id) {
         auto a = acceptBind(id);
         a.resize(30);
         a[8] = 30;
         return a;
       },
       1727},
      {"closed during bind",
       [](uint32_t) {
         return std::vector<uint8_t>{5, 0};
       },
       1722},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    {
      ScriptedServer server(
          m_dir, [](uint32_t id, uint16_t) { return Answer{statusOnly(id)}; }, c.answer);
      EXPECT_EQ(zeltConnectSign("."), c.expected);
      EXPECT_EQ(zeltIsServer("."), 0u);
    }
    ::unlink((m_dir + "/zeltrpc").c_str());
  }
}

// Replies split into many fragments, each with its own header, big-endian.
TEST_F(HostileTest, FragmentedBigEndianReplyIsReassembled) {
  ScriptedServer server(m_dir, [](uint32_t id, uint16_t opnum) {
    if (opnum != zeltrpc::kGetStatus) return Answer{statusOnly(id)};
    std::vector<uint8_t> stub;
    NdrWriter w(stub, 0, DataRep{true, false});
    std::vector<uint8_t> text(1000);
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>('A' + i % 26);
    w.putArray(text.data(), 1000);
    w.putU32(1000);
    w.putU32(0);
    std::vector<uint8_t> out;
    appendFragments(out, kResponse, DataRep{true, false}, id, 0, 0, stub, 56);
    return Answer{out};
  });
  ASSERT_EQ(zeltConnectSign("."), 0u);
  std::vector<char> buffer(1000);
  uint32_t size = 0;
  ASSERT_EQ(zeltGetStatus("SIGN1", buffer.data(), 1000, &size), 0u);
  EXPECT_EQ(size, 1000u);
  EXPECT_EQ(buffer[999], 'A' + 999 % 26);
  zeltDisconnectSign();
}

}  // namespace
