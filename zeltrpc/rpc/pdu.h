// DCE/RPC version 5 connection-oriented PDUs: encoding, decoding and
// fragment reassembly. Used by the client runtime and by the stand-in server.
//
// Decoders take the bytes of exactly one PDU (as framed by frag_length) and
// never read outside them; header fields follow the PDU's own data
// representation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zeltrpc/rpc/ndr.h"

namespace zeltrpc::rpc {

enum PType : uint8_t {
  kRequest = 0,
  kResponse = 2,
  kFault = 3,
  kBind = 11,
  kBindAck = 12,
  kBindNak = 13,
  kAlterContext = 14,
  kShutdown = 17,
};

inline constexpr uint8_t kFirstFrag = 0x01;
inline constexpr uint8_t kLastFrag = 0x02;
inline constexpr uint8_t kDidNotExecute = 0x20;
inline constexpr uint8_t kObjectUuid = 0x80;

inline constexpr size_t kCommonHeaderSize = 16;
inline constexpr size_t kRequestHeaderSize = 24;  // request and response
inline constexpr size_t kFaultHeaderSize = 32;
inline constexpr uint16_t kDefaultMaxFrag = 5840;
// The largest fragment frag_length can name; it is also the largest message
// a named pipe takes in one write. The client asks for it in its binds.
inline constexpr uint16_t kLargestFrag = 65535;
// The shortest reply to a request: a response with nothing but the 4-byte
// status (a fault is longer).
inline constexpr size_t kShortestReply = kRequestHeaderSize + 4;
inline constexpr uint16_t kSmallestMaxFrag = 40;  // header plus 16 stub bytes

// A 16-byte UUID in wire order plus interface version: an abstract or
// transfer syntax identifier (20 bytes on the wire).
struct SyntaxId {
  std::array<uint8_t, 16> uuid{};
  uint16_t major = 0;
  uint16_t minor = 0;

  bool operator==(const SyntaxId&) const = default;
};

// Parses "aabbccdd-eeff-gghh-iijj-kkllmmnnoopp" into wire order (the first
// three groups little-endian). Returns nullopt for malformed text.
std::optional<std::array<uint8_t, 16>> parseUuid(std::string_view text);
std::string formatUuid(const std::array<uint8_t, 16>& wire);

// NDR 2.0, 8a885d04-1ceb-11c9-9fe8-08002b104860 v2.0.
const SyntaxId& ndrTransferSyntax();

// One PDU as received: header fields decoded, `bytes` the whole fragment.
struct Pdu {
  uint8_t ptype = 0;
  uint8_t flags = 0;
  DataRep rep;
  uint16_t fragLength = 0;
  uint16_t authLength = 0;
  uint32_t callId = 0;
  std::span<const uint8_t> bytes;
};

// Validates the 16-byte common header (version 5.0, frag_length at least 16).
// `head` must hold at least 16 bytes. Returns false for a header no peer of
// ours can send.
bool parseHeader(std::span<const uint8_t> head, Pdu& pdu);

// ---------------------------------------------------------------- encoders

struct BindInfo {
  uint16_t maxXmitFrag = kDefaultMaxFrag;
  uint16_t maxRecvFrag = kDefaultMaxFrag;
  uint32_t assocGroup = 0;
  uint16_t contextId = 0;
  SyntaxId abstractSyntax;
  std::vector<SyntaxId> transferSyntaxes;  // of the first context element
};

std::vector<uint8_t> encodeBind(uint32_t callId, const BindInfo& bind);

struct BindAckInfo {
  uint16_t maxXmitFrag = kDefaultMaxFrag;
  uint16_t maxRecvFrag = kDefaultMaxFrag;
  uint32_t assocGroup = 0;
  std::string secondaryAddress;
  uint16_t result = 0;  // 0 acceptance, 1 user rejection, 2 provider rejection
  uint16_t reason = 0;  // 1 abstract syntax, 2 transfer syntaxes not supported
  SyntaxId transferSyntax;
};

std::vector<uint8_t> encodeBindAck(DataRep rep, uint32_t callId, const BindAckInfo& ack);
std::vector<uint8_t> encodeBindNak(DataRep rep, uint32_t callId, uint16_t reason);
std::vector<uint8_t> encodeFault(DataRep rep, uint32_t callId, uint16_t contextId, uint32_t status,
                                 bool didNotExecute);

// Appends a request (opnum given) or response (opnum ignored) carrying `stub`,
// cut into fragments of at most `maxFrag` bytes each. Each fragment repeats
// the 24-byte header; alloc_hint holds the whole stub length.
void appendFragments(std::vector<uint8_t>& out, PType type, DataRep rep, uint32_t callId,
                     uint16_t contextId, uint16_t opnum, std::span<const uint8_t> stub,
                     uint16_t maxFrag);

// Stub bytes carried by one fragment of at most maxFrag bytes.
size_t fragmentPiece(uint16_t maxFrag);

// Writes the 24-byte header of a single-fragment request or response into
// `at`, for a stub of `stubLength` bytes that already follows it.
void writeSingleFragmentHeader(uint8_t* at, PType type, DataRep rep, uint32_t callId,
                               uint16_t contextId, uint16_t opnum, size_t stubLength);

// ---------------------------------------------------------------- decoders

bool parseBind(const Pdu& pdu, BindInfo& bind, std::vector<SyntaxId>* allAbstract = nullptr);
bool parseBindAck(const Pdu& pdu, BindAckInfo& ack);
bool parseBindNak(const Pdu& pdu, uint16_t& reason);
bool parseFault(const Pdu& pdu, uint32_t& status);

// Request or response: the fields of the 24-byte header and the stub part of
// this fragment. PDUs with an auth trailer are refused (no security is bound).
struct CallFragment {
  uint32_t allocHint = 0;
  uint16_t contextId = 0;
  uint16_t opnum = 0;  // requests only
  std::span<const uint8_t> stub;
};
bool parseCallFragment(const Pdu& pdu, CallFragment& frag);

// Collects the stub of one call from its fragments: the first carries
// PFC_FIRST_FRAG, later ones must not, all share the call id and type, the
// last carries PFC_LAST_FRAG. Refuses a stub larger than `maxStub`. The
// buffer of a fragmented call is sized from the first fragment's alloc_hint
// (within maxStub) and grows only when the fragments pass it, so a server
// can count what a call will hold before it takes a fragment (heldAfter).
class FragmentAssembler {
 public:
  enum class Result { More, Complete, Error, TooLarge };

  void reset(size_t maxStub) {
    m_started = false;
    m_maxStub = maxStub;
    m_stub.clear();
    m_single = {};
  }
  Result feed(const Pdu& pdu, const CallFragment& frag);
  // Bytes the assembler's buffer will take once `frag` is fed (what it
  // takes now when feeding it would not grow the buffer or is refused).
  size_t heldAfter(const Pdu& pdu, const CallFragment& frag) const;
  // Bytes the buffer takes now.
  size_t held() const { return m_stub.capacity(); }
  // Frees the buffer (reset() keeps it for the next call).
  void release() { std::vector<uint8_t>().swap(m_stub); }
  // The reassembled stub; for a single-fragment call a view into that PDU.
  std::span<const uint8_t> stub() const {
    return m_single.data() ? m_single : std::span<const uint8_t>(m_stub);
  }
  uint16_t opnum() const { return m_opnum; }
  uint16_t contextId() const { return m_contextId; }
  uint32_t callId() const { return m_callId; }
  DataRep rep() const { return m_rep; }

 private:
  bool m_started = false;
  size_t m_maxStub = 0;
  uint8_t m_ptype = 0;
  uint32_t m_callId = 0;
  uint16_t m_opnum = 0;
  uint16_t m_contextId = 0;
  DataRep m_rep;
  std::vector<uint8_t> m_stub;
  std::span<const uint8_t> m_single;

  // Capacity for a fragmented call's first fragment, and after growing by `n`.
  size_t firstCapacity(const CallFragment& frag) const;
  size_t grownCapacity(size_t n) const;
};

}  // namespace zeltrpc::rpc
