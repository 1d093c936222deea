// The runtime's wire pieces on their own: string bindings, PDU encodings,
// fragmentation and reassembly, NDR reading, reply unmarshalling limits.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tests/zeltrpc/rpc_test_support.h"
#include "zeltrpc/client_stub.h"
#include "zeltrpc/rpc/binding.h"
#include "zeltrpc/rpc/ndr.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/pdu_framing.h"
#include "zeltrpc/rpc/smb_pipe.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/rpc/string_binding.h"
#include "zeltrpc/rpc/transport.h"
#include "zeltrpc/sign_interface.h"

namespace {

using namespace zeltrpc::rpc;
using zeltrpc_test::bytes;

struct ComposeCase {
  const char* protseq;
  const char* address;
  const char* endpoint;
  const char* text;
};

// Composing escapes backslashes, parsing gives back the parts.
TEST(StringBinding, ComposesAndParsesTheThreeTransports) {
  const ComposeCase cases[] = {
      {"ncalrpc", "", "zeltrpc", "ncalrpc:[zeltrpc]"},
      {"ncacn_np", "\\\\SIGNPC", "\\pipe\\zeltrpc", "ncacn_np:\\\\\\\\SIGNPC[\\\\pipe\\\\zeltrpc]"},
      {"ncacn_nb_nb", "SIGNPC", "250", "ncacn_nb_nb:SIGNPC[250]"},
      {"ncalrpc", "", "", "ncalrpc:"},
      {"ncalrpc", "a@b:c", "x[y]", "ncalrpc:a\\@b\\:c[x\\[y\\]]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    StringBinding parts;
    parts.protseq = c.protseq;
    parts.networkAddress = c.address;
    parts.endpoint = c.endpoint;
    EXPECT_EQ(composeStringBinding(parts), c.text);
    StringBinding back;
    ASSERT_EQ(parseStringBinding(c.text, back), kOk);
    EXPECT_EQ(back.protseq, c.protseq);
    EXPECT_EQ(back.networkAddress, c.address);
    EXPECT_EQ(back.endpoint, c.endpoint);
  }
}

TEST(StringBinding, ParsesUuidOptionsAndEndpointPrefix) {
  StringBinding p;
  ASSERT_EQ(parseStringBinding(
                "12345678-1234-1234-1234-123456789abc@ncalrpc:[endpoint=zeltrpc,Security=x]", p),
            kOk);
  EXPECT_EQ(p.objectUuid, "12345678-1234-1234-1234-123456789abc");
  EXPECT_EQ(p.endpoint, "zeltrpc");
  EXPECT_EQ(p.options, "Security=x");
  // An unescaped backslash is dropped, as the runtime always did.
  ASSERT_EQ(parseStringBinding("ncacn_np:[\\pipe\\test]", p), kOk);
  EXPECT_EQ(p.endpoint, "pipetest");
}

TEST(StringBinding, RejectsMalformedText) {
  for (const char* bad :
       {"", "ncalrpc", ":[x]", "ncalrpc:[zeltrpc", "ncalrpc:[a]b", "ncalrpc:x\\"}) {
    SCOPED_TRACE(bad);
    StringBinding p;
    EXPECT_EQ(parseStringBinding(bad, p), kInvalidStringBinding);
  }
}

// ncalrpc and, when libsmbclient can be loaded, ncacn_np have carriers.
TEST(BindingHandle, CarriersAndEndpoints) {
  std::unique_ptr<BindingHandle> h;
  EXPECT_EQ(BindingHandle::fromStringBinding("ncacn_np:\\\\\\\\SIGNPC[\\\\pipe\\\\zeltrpc]", h),
            loadSmbClient() ? kOk : kProtseqNotSupported);
  if (loadSmbClient()) {
    EXPECT_FALSE(h->connected());  // nothing is opened before a call
    EXPECT_EQ(BindingHandle::fromStringBinding("ncacn_np:\\\\\\\\SIGNPC[\\\\pipe\\\\a/b]", h),
              kInvalidEndpointFormat);
  }
  EXPECT_EQ(BindingHandle::fromStringBinding("ncacn_nb_nb:SIGNPC[250]", h), kProtseqNotSupported);
  EXPECT_EQ(BindingHandle::fromStringBinding("bogus:[x]", h), kInvalidRpcProtseq);
  EXPECT_EQ(BindingHandle::fromStringBinding("ncalrpc:[../etc]", h), kInvalidEndpointFormat);
  EXPECT_EQ(BindingHandle::fromStringBinding("ncalrpc:[a/b]", h), kInvalidEndpointFormat);
  EXPECT_EQ(BindingHandle::fromStringBinding("ncalrpc:[zeltrpc]", h), kOk);
  ASSERT_TRUE(h);
  EXPECT_FALSE(h->connected());  // a binding is not a connection
}

// The bind of the engineering notes: interface 11223344-... v1.0, NDR 2.0,
// call id 1, 4280/4280, 72 bytes.
TEST(Pdu, BindMatchesTheReferenceBytes) {
  BindInfo b;
  b.maxXmitFrag = b.maxRecvFrag = 4280;
  b.abstractSyntax = {*parseUuid("11223344-5566-7788-99aa-bbccddeeff00"), 1, 0};
  b.transferSyntaxes = {ndrTransferSyntax()};
  auto expected = bytes({0x05, 0x00, 0x0b, 0x03, 0x10, 0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00,
                         0x01, 0x00, 0x00, 0x00, 0xb8, 0x10, 0xb8, 0x10, 0x00, 0x00, 0x00, 0x00,
                         0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x44, 0x33, 0x22, 0x11,
                         0x66, 0x55, 0x88, 0x77, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 0x00,
                         0x01, 0x00, 0x00, 0x00, 0x04, 0x5d, 0x88, 0x8a, 0xeb, 0x1c, 0xc9, 0x11,
                         0x9f, 0xe8, 0x08, 0x00, 0x2b, 0x10, 0x48, 0x60, 0x02, 0x00, 0x00, 0x00});
  EXPECT_EQ(encodeBind(1, b), expected);
  EXPECT_EQ(formatUuid(b.abstractSyntax.uuid), "11223344-5566-7788-99aa-bbccddeeff00");
}

TEST(Pdu, RequestMatchesTheReferenceBytes) {
  std::vector<uint8_t> out;
  auto stub = bytes({0x41, 0, 0, 0});
  appendFragments(out, kRequest, DataRep{}, 2, 0, 0, stub, kDefaultMaxFrag);
  EXPECT_EQ(out, bytes({0x05, 0x00, 0x00, 0x03, 0x10, 0x00, 0x00, 0x00, 0x1c, 0x00,
                        0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00}));
}

TEST(Pdu, BindAckRoundTripsInBothByteOrders) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(be ? "big-endian" : "little-endian");
    BindAckInfo a;
    a.maxXmitFrag = 1234;
    a.maxRecvFrag = 4321;
    a.assocGroup = 0x12345678;
    a.secondaryAddress = "\\PIPE\\test";
    a.transferSyntax = ndrTransferSyntax();
    auto raw = encodeBindAck(DataRep{be, false}, 7, a);
    if (!be) {
      EXPECT_EQ(raw.size(), 68u);  // the size of the captured example
    }
    Pdu pdu;
    ASSERT_TRUE(parseHeader(raw, pdu));
    pdu.bytes = raw;
    EXPECT_EQ(pdu.callId, 7u);
    EXPECT_EQ(pdu.fragLength, raw.size());
    BindAckInfo b;
    ASSERT_TRUE(parseBindAck(pdu, b));
    EXPECT_EQ(b.maxXmitFrag, 1234);
    EXPECT_EQ(b.maxRecvFrag, 4321);
    EXPECT_EQ(b.assocGroup, 0x12345678u);
    EXPECT_EQ(b.secondaryAddress, "\\PIPE\\test");
    EXPECT_EQ(b.transferSyntax, ndrTransferSyntax());
  }
}

// Every fragment within the limit, stub cut at multiples of 16, reassembled
// to the original bytes.
TEST(Pdu, FragmentsAndReassemblesAtEverySize) {
  std::vector<uint8_t> stub(5000);
  for (size_t i = 0; i < stub.size(); ++i) stub[i] = static_cast<uint8_t>(i * 7);
  for (uint16_t maxFrag : {40, 57, 1432, 4280, 5840}) {
    SCOPED_TRACE(maxFrag);
    std::vector<uint8_t> wire;
    appendFragments(wire, kResponse, DataRep{true, false}, 9, 0, 0, stub, maxFrag);
    FragmentAssembler as;
    as.reset(1 << 20);
    size_t pos = 0;
    FragmentAssembler::Result r = FragmentAssembler::Result::More;
    int count = 0;
    while (pos < wire.size()) {
      Pdu pdu;
      ASSERT_TRUE(parseHeader(std::span(wire).subspan(pos), pdu));
      ASSERT_LE(pdu.fragLength, maxFrag);
      pdu.bytes = std::span(wire).subspan(pos, pdu.fragLength);
      CallFragment f;
      ASSERT_TRUE(parseCallFragment(pdu, f));
      EXPECT_EQ(f.allocHint, stub.size());
      if (pos + pdu.fragLength < wire.size()) {
        EXPECT_EQ(f.stub.size() % 16, 0u);
      }
      r = as.feed(pdu, f);
      pos += pdu.fragLength;
      ++count;
    }
    EXPECT_EQ(r, FragmentAssembler::Result::Complete);
    EXPECT_EQ(count, static_cast<int>((stub.size() + fragmentPiece(maxFrag) - 1) /
                                      fragmentPiece(maxFrag)));
    auto got = as.stub();
    EXPECT_TRUE(std::equal(got.begin(), got.end(), stub.begin(), stub.end()));
  }
}

TEST(Pdu, AssemblerRefusesOutOfOrderAndOversizedFragments) {
  std::vector<uint8_t> stub(100, 0xAB), wire;
  appendFragments(wire, kResponse, DataRep{}, 3, 0, 0, stub, 56);  // 32-byte pieces, 4 fragments
  auto pduAt = [&](size_t index) {
    size_t pos = 0;
    Pdu pdu;
    for (size_t i = 0;; ++i) {
      parseHeader(std::span(wire).subspan(pos), pdu);
      pdu.bytes = std::span(wire).subspan(pos, pdu.fragLength);
      if (i == index) return pdu;
      pos += pdu.fragLength;
    }
  };
  FragmentAssembler as;
  CallFragment f;
  as.reset(1000);
  Pdu second = pduAt(1);
  ASSERT_TRUE(parseCallFragment(second, f));
  EXPECT_EQ(as.feed(second, f), FragmentAssembler::Result::Error);  // no FIRST yet
  as.reset(1000);
  Pdu first = pduAt(0);
  parseCallFragment(first, f);
  EXPECT_EQ(as.feed(first, f), FragmentAssembler::Result::More);
  EXPECT_EQ(as.feed(first, f), FragmentAssembler::Result::Error);  // FIRST twice
  as.reset(40);
  parseCallFragment(first, f);
  EXPECT_EQ(as.feed(first, f), FragmentAssembler::Result::More);
  parseCallFragment(second, f);
  EXPECT_EQ(as.feed(second, f), FragmentAssembler::Result::TooLarge);
}

TEST(Ndr, ReaderRefusesShortAndInconsistentData) {
  struct Case {
    const char* what;
    std::vector<uint8_t> stub;
  };
  const Case cases[] = {
      {"count past the end", bytes({5, 0, 0, 0, 'a', 'b'})},
      {"huge count", bytes({0xff, 0xff, 0xff, 0xff, 'a'})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NdrReader r(c.stub, DataRep{});
    std::span<const uint8_t> a;
    EXPECT_FALSE(r.getArray(a));
    EXPECT_FALSE(r.ok());
  }
  const Case strings[] = {
      {"offset not 0", bytes({2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 'a', 0})},
      {"actual above max", bytes({1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'a', 0})},
      {"no NUL", bytes({2, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 'a', 'b'})},
      {"embedded NUL", bytes({3, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 'a', 0, 0})},
      {"actual 0", bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      {"truncated", bytes({3, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 'a'})},
  };
  for (const auto& c : strings) {
    SCOPED_TRACE(c.what);
    NdrReader r(c.stub, DataRep{});
    std::span<const uint8_t> t;
    EXPECT_FALSE(r.getString(t));
  }
}

// The worked GetStatus reply: 05 00 00 00, five bytes, three pad bytes,
// 05 00 00 00 and the status; then the same reply in big-endian order and
// in EBCDIC characters.
TEST(Unmarshal, GetStatusReplyInEveryRepresentation) {
  struct Case {
    const char* what;
    DataRep rep;
    std::vector<uint8_t> stub;
  };
  const Case cases[] = {
      {"little-endian", DataRep{},
       bytes({5, 0, 0, 0, 'H', 'e', 'l', 'l', 'o', 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0})},
      {"big-endian", DataRep{true, false},
       bytes({0, 0, 0, 5, 'H', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0})},
      {"EBCDIC", DataRep{false, true},
       bytes({5, 0, 0, 0, 0xC8, 0x85, 0x93, 0x93, 0x96, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t size = sizeof buffer;
    zeltrpc::ArgValue args[3];
    args[0].s = "SIGN1";
    args[1].out = buffer;
    args[2].pu = &size;
    uint32_t entry[zeltrpc::kMaxArgs] = {0, 0, 16};
    EXPECT_EQ(zeltrpc::unmarshalReply(zeltrpc::kGetStatus, args, entry, c.stub, c.rep), 0u);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::string(buffer, 6), "Hello#");  // the rest keeps its earlier contents
  }
}

TEST(Unmarshal, RefusesRepliesThatDoNotFitAndWritesNothing) {
  struct Case {
    const char* what;
    std::vector<uint8_t> stub;
  };
  const Case cases[] = {
      {"count above capacity", bytes({9,   0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h',
                                      'i', 0, 0, 0, 9,   0,   0,   0,   0,   0,   0,   0})},
      {"size differs from count", bytes({2, 0, 0, 0, 'a', 'b', 0, 0, 7, 0, 0, 0, 0, 0, 0, 0})},
      {"status missing", bytes({2, 0, 0, 0, 'a', 'b', 0, 0, 2, 0, 0, 0})},
      {"empty", {}},
      {"count past the end", bytes({0xff, 0xff, 0, 0, 'a'})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t size = 4;
    zeltrpc::ArgValue args[3];
    args[0].s = "S";
    args[1].out = buffer;
    args[2].pu = &size;
    uint32_t entry[zeltrpc::kMaxArgs] = {0, 0, 4};
    EXPECT_EQ(zeltrpc::unmarshalReply(zeltrpc::kGetStatus, args, entry, c.stub, DataRep{}),
              kBadStubData);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(buffer, 8), "########");
  }
}

TEST(Status, FaultCodesMapToWin32) {
  EXPECT_EQ(mapFaultStatus(0x1C010002), kProcnumOutOfRange);
  EXPECT_EQ(mapFaultStatus(0x1C010003), kUnknownIf);
  EXPECT_EQ(mapFaultStatus(0x1C000012), kCallFailed);
  EXPECT_EQ(mapFaultStatus(0x6F7), kBadStubData);
  EXPECT_EQ(mapFaultStatus(5), 5u);
}

TEST(Interface, TableIsConsistent) {
  int procedures = 0;
  for (size_t op = 0; op < zeltrpc::kOpnumCount; ++op) {
    SCOPED_TRACE(op);
    const auto& p = zeltrpc::kProcedures[op];
    if (p.name) ++procedures;
    for (size_t i = 0; i < p.argc; ++i) {
      const auto k = p.args[i].kind;
      const auto n = p.args[i].sizeArg;
      if (k == zeltrpc::Arg::InBuffer || k == zeltrpc::Arg::OutBufferN) {
        ASSERT_GE(n, 0);
        EXPECT_EQ(p.args[n].kind, zeltrpc::Arg::InSize);
      } else if (k == zeltrpc::Arg::OutBufferStar) {
        ASSERT_GE(n, 0);
        EXPECT_EQ(p.args[n].kind, zeltrpc::Arg::InOutSize);
      } else {
        EXPECT_EQ(n, -1);
      }
    }
  }
  EXPECT_EQ(procedures, 54);
}

using SocketDirTest = zeltrpc_test::SocketDirFixture;

TEST_F(SocketDirTest, DirectoryIsCreatedPrivateAndForeignOnesAreRefused) {
  ASSERT_EQ(checkSocketDirectory(m_dir, false), kServerUnavailable);  // missing, client side
  ASSERT_EQ(checkSocketDirectory(m_dir, true), kOk);
  struct stat st {};
  ASSERT_EQ(::stat(m_dir.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ::chmod(m_dir.c_str(), 0777);
  EXPECT_EQ(checkSocketDirectory(m_dir, false), kAccessDenied);
  ::chmod(m_dir.c_str(), 0700);
  std::string file = m_root + "/plain";
  FILE* f = std::fopen(file.c_str(), "w");
  std::fclose(f);
  EXPECT_EQ(checkSocketDirectory(file, true), kAccessDenied);
  if (::getuid() == 0) {
    // Root can hand the directory to another user and see it refused.
    ASSERT_EQ(::chown(m_dir.c_str(), 65534, 65534), 0);
    EXPECT_EQ(checkSocketDirectory(m_dir, false), kAccessDenied);
  }
}

TEST_F(SocketDirTest, DirectoryComesFromTheEnvironment) {
  EXPECT_EQ(socketDirectory(), m_dir);
  ::unsetenv("ZELTRPC_DIR");
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = xdg ? xdg : "";
  ::setenv("XDG_RUNTIME_DIR", "/run/user/1", 1);
  EXPECT_EQ(socketDirectory(), "/run/user/1/zeltrpc");
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(socketDirectory(), "/tmp/zeltrpc-" + std::to_string(::getuid()));
  if (!saved.empty()) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

TEST(Timeout, ComesFromTheEnvironmentWithDefault) {
  ::unsetenv("ZELTRPC_TIMEOUT_MS");
  EXPECT_EQ(callTimeout().count(), 10000);
  ::setenv("ZELTRPC_TIMEOUT_MS", "250", 1);
  EXPECT_EQ(callTimeout().count(), 250);
  for (const char* bad : {"0", "-5", "abc", "12x"}) {
    ::setenv("ZELTRPC_TIMEOUT_MS", bad, 1);
    EXPECT_EQ(callTimeout().count(), 10000) << bad;
  }
  ::unsetenv("ZELTRPC_TIMEOUT_MS");
}

// A PDU from a named pipe is read as what the caller knows it holds (at
// least its header), then exactly the rest of the fragment: never a byte
// more than the message holds.
TEST(PipeFraming, ReadsWhatIsKnownThenExactlyTheRest) {
  const auto ping = encodeBind(7, BindInfo{});
  std::vector<uint8_t> reply(kShortestReply);
  writeSingleFragmentHeader(reply.data(), kResponse, DataRep{}, 7, 0, 0, 4);
  const auto fault = encodeFault(DataRep{}, 7, 0, 0x1C010002, true);
  struct Case {
    const char* what;
    std::vector<uint8_t> message;
    Io expected;
    std::vector<size_t> asked;
    size_t least = kCommonHeaderSize;  // what the caller knows the PDU holds
  } cases[] = {
      {"a bind", ping, Io::Ok, {16, ping.size() - 16}},
      {"a bare header", bytes({5, 0, 17, 3, 0x10, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0}), Io::Ok, {16}},
      {"not version 5.0",
       bytes({4, 0, 0, 3, 0x10, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0}),
       Io::Malformed,
       {16}},
      {"frag_length below 16",
       bytes({5, 0, 0, 3, 0x10, 0, 0, 0, 15, 0, 0, 0, 1, 0, 0, 0}),
       Io::Malformed,
       {16}},
      {"the message ends early",
       std::vector<uint8_t>(ping.begin(), ping.end() - 1),
       Io::Closed,
       {16, ping.size() - 16}},
      // A status reply is read whole in one read; a longer PDU in two.
      {"a status reply", reply, Io::Ok, {28}, kShortestReply},
      {"a fault", fault, Io::Ok, {28, 4}, kShortestReply},
      // Shorter than the caller knew: bytes of the next PDU were taken.
      {"a PDU shorter than known",
       bytes({5, 0, 17, 3, 0x10, 0, 0,    0, 16, 0, 0,  0, 1, 0,
              0, 0, 5,  0, 2,    3, 0x10, 0, 0,  0, 28, 0, 0, 0}),
       Io::Malformed,
       {28},
       kShortestReply},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    size_t pos = 0;
    std::vector<size_t> asked;
    auto read = [&](uint8_t* to, size_t n) {
      asked.push_back(n);
      if (n > c.message.size() - pos) return Io::Closed;
      std::memcpy(to, c.message.data() + pos, n);
      pos += n;
      return Io::Ok;
    };
    std::vector<uint8_t> buffer;
    Pdu pdu;
    EXPECT_EQ(readFramedPdu(read, buffer, pdu, c.least), c.expected);
    EXPECT_EQ(asked, c.asked);
    if (c.expected == Io::Ok) {
      EXPECT_EQ(std::vector<uint8_t>(pdu.bytes.begin(), pdu.bytes.end()), c.message);
    }
  }
}

// The credentials file: smbclient's format, owner-only, and what a file
// that others may read gets (refused, nothing taken from it).
TEST_F(SocketDirTest, CredentialsFileIsReadOnlyWhenPrivate) {
  const std::string path = m_root + "/auth";
  struct Case {
    const char* what;
    const char* text;
    mode_t mode;
    uint32_t status;
    const char* user;
    const char* domain;
    const char* password;
  } cases[] = {
      {"plain", "username = op\npassword = s3 cret\ndomain = VENUE\n", 0600, 0, "op", "VENUE",
       "s3 cret"},
      {"CRLF, keys in any case, other lines", "# note\r\nUserName=op\r\nPASSWORD =x=y\r\n", 0600, 0,
       "op", "", "x=y"},
      {"domain in the user name", "username = VENUE\\op\npassword = p\n", 0400, 0, "op", "VENUE",
       "p"},
      {"group may read", "username = op\npassword = p\n", 0640, kAccessDenied, "", "", ""},
      {"others may read", "username = op\npassword = p\n", 0604, kAccessDenied, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(c.text, f);
    std::fclose(f);
    ::chmod(path.c_str(), c.mode);
    SmbCredentials creds;
    std::string why;
    EXPECT_EQ(readAuthFile(path, creds, &why), c.status);
    EXPECT_EQ(creds.user, c.user);
    EXPECT_EQ(creds.domain, c.domain);
    EXPECT_EQ(creds.password, c.password);
    if (c.status != 0) {
      EXPECT_NE(why.find("group or others"), std::string::npos) << why;
      EXPECT_EQ(why.find("password = p"), std::string::npos);
    }
  }
  SmbCredentials none;
  EXPECT_EQ(readAuthFile(m_root + "/none", none), kAccessDenied);  // named, but missing
}

// A credentials file that names no user would connect anonymously without a
// word: it is refused like the other bad files, and says why.
TEST_F(SocketDirTest, CredentialsFileNamingNoUserIsRefused) {
  const std::string path = m_root + "/auth";
  ::setenv("ZELTRPC_AUTH_FILE", path.c_str(), 1);
  ::setenv("KRB5CCNAME", ("FILE:" + m_root + "/no-ticket-cache").c_str(), 1);
  for (const char* text : {"", "domain = VENUE\n", "user = op\npasswd = pw\n"}) {
    SCOPED_TRACE(text);
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs(text, f);
    std::fclose(f);
    ::chmod(path.c_str(), 0600);
    SmbCredentials creds;
    std::string why;
    EXPECT_EQ(smbCredentials(creds, &why), kAccessDenied);
    EXPECT_EQ(why.rfind(path + ": names no user", 0), 0u) << why;
    EXPECT_TRUE(creds.user.empty() && creds.password.empty());
  }
  ::unsetenv("ZELTRPC_AUTH_FILE");
  ::unsetenv("KRB5CCNAME");
}

}  // namespace
