#include "zeltrpc/rpc/binding.h"

#include <algorithm>

#include "zeltrpc/rpc/smb_pipe.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/rpc/trace.h"
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

namespace {

uint32_t bindRejectionStatus(uint16_t result, uint16_t reason) {
  if (result == 2 && reason == 1) return kUnknownIf;
  if (result == 2 && reason == 2) return kServerUnavailable;
  return kCallFailedDne;
}

uint32_t bindNakStatus(uint16_t reason) {
  switch (reason) {
    case 1:
    case 2: return kServerTooBusy;
    case 4: return kCallFailedDne;  // protocol version: refused before any call
    case 8: return kUnknownAuthnService;
    case 9: return kAccessDenied;
    default: return kCallFailedDne;
  }
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

BindingHandle::BindingHandle(StringBinding parts)
    : m_parts(std::move(parts)), m_timeout(callTimeout()) {}

BindingHandle::~BindingHandle() = default;

uint32_t BindingHandle::fromStringBinding(std::string_view text,
                                          std::unique_ptr<BindingHandle>& out) {
  StringBinding parts;
  if (uint32_t s = parseStringBinding(text, parts)) return s;
  if (parts.protseq == "ncacn_np") {
    // The carrier's library is loaded when the first such binding is made.
    if (!loadSmbClient()) return kProtseqNotSupported;
    std::string pipe;
    if (!parts.endpoint.empty()) {
      if (uint32_t s = smbPipeName(parts.endpoint, pipe)) return s;
    }
  } else if (parts.protseq != "ncalrpc") {
    if (startsWith(parts.protseq, "ncacn_") || startsWith(parts.protseq, "ncadg_"))
      return kProtseqNotSupported;
    return kInvalidRpcProtseq;
  } else if (!parts.endpoint.empty()) {
    if (uint32_t s = checkEndpointName(parts.endpoint)) return s;
  }
  out.reset(new BindingHandle(std::move(parts)));
  return kOk;
}

bool BindingHandle::connected() {
  std::lock_guard lock(m_mutex);
  return m_conn != nullptr;
}

uint32_t BindingHandle::connectAndBind(const InterfaceSpec& iface, Clock::time_point deadline) {
  std::string endpoint = m_parts.endpoint;
  if (endpoint.empty()) {
    for (const auto& [protseq, ep] : iface.endpoints)
      if (protseq == m_parts.protseq) endpoint = ep;
  }
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return kServerUnavailable;  // no time left to reach it
  std::unique_ptr<Carrier> conn;
  if (m_parts.protseq == "ncacn_np") {
    if (uint32_t s = openSmbPipe(m_parts.networkAddress, endpoint, deadline, m_timeout, conn))
      return s;
  } else {
    const std::string dir = socketDirectory();
    std::string path;
    if (uint32_t s = socketPath(dir, endpoint, path)) return s;
    if (uint32_t s = checkSocketDirectory(dir, false)) return s;
    int fd = -1;
    if (uint32_t s = connectUnix(path, left, fd)) return s;
    conn = std::make_unique<PduStream>(fd, left);
  }
  conn = traceIfAsked(std::move(conn));

  // The largest fragments either way: the server answers with what it
  // takes, and a 64 KiB argument or reply then needs the fewest PDUs (over a
  // pipe, the fewest SMB writes and reads).
  BindInfo bind;
  bind.maxXmitFrag = bind.maxRecvFrag = kLargestFrag;
  bind.abstractSyntax = iface.syntax;
  bind.transferSyntaxes = {ndrTransferSyntax()};
  const uint32_t callId = m_nextCallId++;
  auto request = encodeBind(callId, bind);
  Pdu pdu;
  // Nothing of the call has gone out yet: an answer to the bind that makes
  // no sense fails the call as one that was not sent (1727), not as a
  // malformed reply (1728), which a call that may have run gets.
  constexpr uint32_t kBadBindAnswer = kCallFailedDne;
  const SentAndRead answered = conn->sendAndRead(request, pdu, deadline, kCommonHeaderSize);
  if (answered.sent != Io::Ok) return kServerUnavailable;
  const Io io = answered.read;
  if (io == Io::Malformed) return kBadBindAnswer;
  if (io != Io::Ok) return kServerUnavailable;
  if (pdu.callId != callId) return kBadBindAnswer;
  if (pdu.ptype == kBindNak) {
    uint16_t reason = 0;
    return parseBindNak(pdu, reason) ? bindNakStatus(reason) : kBadBindAnswer;
  }
  BindAckInfo ack;
  if (pdu.ptype != kBindAck || !parseBindAck(pdu, ack)) return kBadBindAnswer;
  if (ack.result != 0) return bindRejectionStatus(ack.result, ack.reason);
  if (!(ack.transferSyntax == ndrTransferSyntax())) return kUnsupportedTransSyn;
  const uint16_t limit = std::min({kLargestFrag, ack.maxXmitFrag, ack.maxRecvFrag});
  if (limit < kSmallestMaxFrag) return kBadBindAnswer;
  m_sendFrag = limit;
  m_conn = std::move(conn);
  return kOk;
}

uint32_t BindingHandle::call(const InterfaceSpec& iface, uint16_t opnum, std::vector<uint8_t>& pdu,
                             size_t maxReplyStub, ReplyHandler onReply) {
  const auto deadline = Clock::now() + m_timeout;
  std::unique_lock lock(m_mutex, std::defer_lock);
  // Not sent at all: the call certainly did not run.
  if (!lock.try_lock_until(deadline)) return kCallFailedDne;
  // A connection known to be of no further use is replaced before anything
  // of this call is sent. Whether the service closed it while we were idle
  // (it restarted) shows when the request is written: the write fails at
  // once and nothing of the call reached the service, so the call is sent
  // on a new connection. Asking the socket before every call instead would
  // cost each call a system call more. Once the request went out, the call
  // may have run: a lost or cut reply fails the call (1726) and it is never
  // sent again. A service that closed the connection with the request
  // still unread in it (it was going away as the request arrived) cannot
  // have run it either: that call too is sent on a new connection.
  if (m_conn && m_conn->peerGone()) m_conn.reset();
  const bool reused = m_conn != nullptr;
  if (!m_conn) {
    if (uint32_t s = connectAndBind(iface, deadline)) return s;
  }
  bool notSent = false;
  uint32_t status = exchange(opnum, pdu, maxReplyStub, onReply, deadline, &notSent);
  if (notSent && reused) {
    if (uint32_t s = connectAndBind(iface, deadline)) return s;
    status = exchange(opnum, pdu, maxReplyStub, onReply, deadline, nullptr);
  }
  return status;
}

uint32_t BindingHandle::exchange(uint16_t opnum, std::vector<uint8_t>& pdu, size_t maxReplyStub,
                                 ReplyHandler onReply, Clock::time_point deadline, bool* notSent) {
  const uint32_t callId = m_nextCallId++;
  const size_t stubLength = pdu.size() - kRequestHeaderSize;
  // Whatever ends the exchange early leaves the stream out of step: drop it.
  auto lose = [this](uint32_t status) {
    m_conn.reset();
    return status;
  };

  std::span<const uint8_t> request = pdu;
  if (stubLength <= fragmentPiece(m_sendFrag)) {
    writeSingleFragmentHeader(pdu.data(), kRequest, DataRep{}, callId, 0, opnum, stubLength);
  } else {
    m_scratch.clear();
    appendFragments(m_scratch, kRequest, DataRep{}, callId, 0, opnum,
                    std::span<const uint8_t>(pdu).subspan(kRequestHeaderSize), m_sendFrag);
    request = m_scratch;
  }
  // The first PDU of the reply is a response carrying at least the status,
  // or a longer fault; a later fragment at least its header. Reading that
  // much at once makes a one-fragment status reply one read over a pipe.
  Pdu reply;
  const SentAndRead first = m_conn->sendAndRead(request, reply, deadline, kShortestReply);
  if (first.sent != Io::Ok) {
    // The service does not hold the whole request, so it cannot have run
    // it. Closed: the carrier knows that nothing of it went out at all.
    if (notSent && first.sent == Io::Closed) *notSent = true;
    return lose(kCallFailedDne);
  }
  if (first.read == Io::Unread) {
    if (notSent) *notSent = true;
    return lose(kCallFailedDne);
  }

  m_assembler.reset(maxReplyStub);
  bool started = false;
  for (Io io = first.read;; io = m_conn->readPduAtLeast(reply, deadline, kRequestHeaderSize)) {
    if (io == Io::TimedOut) return lose(kCallCancelled);
    if (io == Io::Malformed) return lose(kProtocolError);
    if (io != Io::Ok) return lose(kCallFailed);
    if (reply.callId != callId) return lose(kProtocolError);
    if (reply.ptype == kFault) {
      uint32_t fault = 0;
      if (!parseFault(reply, fault)) return lose(kProtocolError);
      // A fault with status 0 would read as success; it is a failed call.
      uint32_t status = fault == 0 ? kCallFailed : mapFaultStatus(fault);
      return started ? lose(status) : status;
    }
    if (reply.ptype == kShutdown) return lose(kCallFailed);
    if (reply.ptype != kResponse) return lose(kProtocolError);
    CallFragment frag;
    if (!parseCallFragment(reply, frag)) return lose(kProtocolError);
    started = true;
    switch (m_assembler.feed(reply, frag)) {
      case FragmentAssembler::Result::More: continue;
      case FragmentAssembler::Result::Error: return lose(kProtocolError);
      case FragmentAssembler::Result::TooLarge: return lose(kBadStubData);
      case FragmentAssembler::Result::Complete:
        return onReply(m_assembler.stub(), m_assembler.rep());
    }
  }
}

}  // namespace zeltrpc::rpc
