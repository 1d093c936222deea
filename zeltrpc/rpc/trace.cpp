#include "zeltrpc/rpc/trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/transport.h"
#include "zeltrpc/sign_interface.h"

namespace zeltrpc::rpc {

namespace {

const char* typeName(uint8_t ptype) {
  switch (ptype) {
    case kRequest: return "request";
    case kResponse: return "response";
    case kFault: return "fault";
    case kBind: return "bind";
    case kBindAck: return "bind_ack";
    case kBindNak: return "bind_nak";
    case kShutdown: return "shutdown";
    default: return nullptr;
  }
}

uint32_t callIdOf(std::span<const uint8_t> bytes) {
  const bool little = (bytes[4] & 0x10) != 0;
  return little ? (uint32_t{bytes[12]} | uint32_t{bytes[13]} << 8 | uint32_t{bytes[14]} << 16 |
                   uint32_t{bytes[15]} << 24)
                : (uint32_t{bytes[15]} | uint32_t{bytes[14]} << 8 | uint32_t{bytes[13]} << 16 |
                   uint32_t{bytes[12]} << 24);
}

// The procedure of a request PDU (its opnum), by the sign interface's name.
std::string procedureOf(std::span<const uint8_t> bytes) {
  if (bytes.size() < kRequestHeaderSize || bytes[2] != kRequest) return {};
  const bool little = (bytes[4] & 0x10) != 0;
  const unsigned opnum = little ? (bytes[22] | bytes[23] << 8) : (bytes[23] | bytes[22] << 8);
  if (opnum < kOpnumCount && kProcedures[opnum].name) return kProcedures[opnum].name;
  return "opnum " + std::to_string(opnum);
}

// "12:34:56.789012" of the wall clock, as the trace's lines begin.
std::string timeOfDay() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06ld", local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<long>(now.tv_nsec / 1000));
  return text;
}

// Writes one PDU as a heading line (the time, direction, type, call id, the
// procedure of a request and of the reply to it, length) and 16 bytes per
// line, in one write so that the PDUs of several threads do not mix.
void writePdu(const char* direction, std::span<const uint8_t> bytes, const std::string& procedure) {
  std::string text = "zeltrpc: " + timeOfDay() + " ";
  text += direction;
  if (bytes.size() >= kCommonHeaderSize) {
    const char* name = typeName(bytes[2]);
    text += " ";
    text += name ? name : "PDU type " + std::to_string(bytes[2]);
    text += ", call " + std::to_string(callIdOf(bytes));
    if (!procedure.empty()) text += ", " + procedure;
  }
  text += ", " + std::to_string(bytes.size()) + " bytes\n";
  static const char digits[] = "0123456789abcdef";
  for (size_t at = 0; at < bytes.size(); at += 16) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "  %04zx ", at);
    text += offset;
    for (size_t i = at; i < at + 16 && i < bytes.size(); ++i) {
      text += ' ';
      text += digits[bytes[i] >> 4];
      text += digits[bytes[i] & 15];
    }
    text += '\n';
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
}

class TracingCarrier final : public Carrier {
 public:
  explicit TracingCarrier(std::unique_ptr<Carrier> inner) : m_inner(std::move(inner)) {}

  Io sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) override {
    traceSent(bytes);
    return m_inner->sendAll(bytes, deadline);
  }

  // The inner carrier's own step, so that a traced connection tells what
  // was sent exactly as an untraced one does.
  SentAndRead sendAndRead(std::span<const uint8_t> bytes, Pdu& pdu, Clock::time_point deadline,
                          size_t leastLength) override {
    traceSent(bytes);
    const SentAndRead r = m_inner->sendAndRead(bytes, pdu, deadline, leastLength);
    if (r.sent == Io::Ok && r.read == Io::Ok) traceReceived(pdu);
    return r;
  }

  Io readPdu(Pdu& pdu, Clock::time_point deadline) override {
    return readPduAtLeast(pdu, deadline, kCommonHeaderSize);
  }

  Io readPduAtLeast(Pdu& pdu, Clock::time_point deadline, size_t leastLength) override {
    const Io io = m_inner->readPduAtLeast(pdu, deadline, leastLength);
    if (io == Io::Ok) traceReceived(pdu);
    return io;
  }

  bool peerGone() const override { return m_inner->peerGone(); }

 private:
  void traceSent(std::span<const uint8_t> bytes) {
    // One write may hold several fragments: each is a PDU of its own.
    for (size_t at = 0; at < bytes.size();) {
      size_t length = bytes.size() - at;
      if (length >= kCommonHeaderSize) {
        const bool little = (bytes[at + 4] & 0x10) != 0;
        const size_t frag =
            little ? (bytes[at + 8] | bytes[at + 9] << 8) : (bytes[at + 9] | bytes[at + 8] << 8);
        if (frag >= kCommonHeaderSize && frag <= length) length = frag;
      }
      const auto pdu = bytes.subspan(at, length);
      std::string procedure = procedureOf(pdu);
      if (!procedure.empty()) {
        m_callId = callIdOf(pdu);
        m_procedure = procedure;
      }
      writePdu("sent", pdu, procedure);
      at += length;
    }
  }

  void traceReceived(const Pdu& pdu) {
    const bool answer = pdu.bytes.size() >= kCommonHeaderSize && callIdOf(pdu.bytes) == m_callId &&
                        (pdu.ptype == kResponse || pdu.ptype == kFault);
    writePdu("received", pdu.bytes, answer ? m_procedure : std::string());
  }

  std::unique_ptr<Carrier> m_inner;
  uint32_t m_callId = 0;  // the last request's, and its procedure
  std::string m_procedure;
};

}  // namespace

std::unique_ptr<Carrier> traceIfAsked(std::unique_ptr<Carrier> conn) {
  const char* asked = std::getenv("ZELTRPC_TRACE");
  if (!asked || std::strcmp(asked, "1") != 0) return conn;
  return std::make_unique<TracingCarrier>(std::move(conn));
}

}  // namespace zeltrpc::rpc
