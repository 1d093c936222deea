#include "zeltrpc/rpc/pdu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace zeltrpc::rpc {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Writes the 16-byte common header at `p`.
void putCommonHeader(uint8_t* p, PType type, uint8_t flags, DataRep rep, size_t fragLength,
                     uint32_t callId) {
  p[0] = 5;
  p[1] = 0;
  p[2] = type;
  p[3] = flags;
  rep.toBytes(p + 4);
  store16(p + 8, static_cast<uint16_t>(fragLength), rep.bigEndian);
  store16(p + 10, 0, rep.bigEndian);
  store32(p + 12, callId, rep.bigEndian);
}

void putSyntax(std::vector<uint8_t>& out, const SyntaxId& s, bool bigEndian) {
  // The UUID's first three groups follow the data representation too.
  uint8_t u[16];
  std::memcpy(u, s.uuid.data(), 16);
  if (bigEndian) {
    std::swap(u[0], u[3]);
    std::swap(u[1], u[2]);
    std::swap(u[4], u[5]);
    std::swap(u[6], u[7]);
  }
  out.insert(out.end(), u, u + 16);
  uint8_t v[4];
  store16(v, s.major, bigEndian);
  store16(v + 2, s.minor, bigEndian);
  out.insert(out.end(), v, v + 4);
}

SyntaxId getSyntax(const uint8_t* p, bool bigEndian) {
  SyntaxId s;
  std::memcpy(s.uuid.data(), p, 16);
  if (bigEndian) {
    std::swap(s.uuid[0], s.uuid[3]);
    std::swap(s.uuid[1], s.uuid[2]);
    std::swap(s.uuid[4], s.uuid[5]);
    std::swap(s.uuid[6], s.uuid[7]);
  }
  s.major = load16(p + 16, bigEndian);
  s.minor = load16(p + 18, bigEndian);
  return s;
}

void finishLength(std::vector<uint8_t>& out, bool bigEndian) {
  store16(&out[8], static_cast<uint16_t>(out.size()), bigEndian);
}

}  // namespace

std::optional<std::array<uint8_t, 16>> parseUuid(std::string_view text) {
  if (text.size() != 36) return std::nullopt;
  uint8_t raw[16];
  size_t n = 0;
  for (size_t i = 0; i < 36;) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    int hi = hexValue(text[i]), lo = hexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    raw[n++] = static_cast<uint8_t>(hi * 16 + lo);
    i += 2;
  }
  std::array<uint8_t, 16> w{};
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  for (int i = 0; i < 16; ++i) w[i] = raw[order[i]];
  return w;
}

std::string formatUuid(const std::array<uint8_t, 16>& w) {
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", w[3], w[2],
                w[1], w[0], w[5], w[4], w[7], w[6], w[8], w[9], w[10], w[11], w[12], w[13], w[14],
                w[15]);
  return buf;
}

const SyntaxId& ndrTransferSyntax() {
  static const SyntaxId ndr{*parseUuid("8a885d04-1ceb-11c9-9fe8-08002b104860"), 2, 0};
  return ndr;
}

bool parseHeader(std::span<const uint8_t> head, Pdu& pdu) {
  if (head.size() < kCommonHeaderSize) return false;
  const uint8_t* p = head.data();
  if (p[0] != 5 || p[1] != 0) return false;
  pdu.ptype = p[2];
  pdu.flags = p[3];
  pdu.rep = DataRep::fromBytes(p + 4);
  pdu.fragLength = load16(p + 8, pdu.rep.bigEndian);
  pdu.authLength = load16(p + 10, pdu.rep.bigEndian);
  pdu.callId = load32(p + 12, pdu.rep.bigEndian);
  return pdu.fragLength >= kCommonHeaderSize;
}

// ---------------------------------------------------------------- encoders

std::vector<uint8_t> encodeBind(uint32_t callId, const BindInfo& b) {
  std::vector<uint8_t> out(kCommonHeaderSize);
  putCommonHeader(out.data(), kBind, kFirstFrag | kLastFrag, DataRep{}, 0, callId);
  uint8_t f[12] = {};
  store16(f, b.maxXmitFrag, false);
  store16(f + 2, b.maxRecvFrag, false);
  store32(f + 4, b.assocGroup, false);
  f[8] = 1;  // one context element
  out.insert(out.end(), f, f + 12);
  uint8_t c[4] = {};
  store16(c, b.contextId, false);
  c[2] = static_cast<uint8_t>(b.transferSyntaxes.size());
  out.insert(out.end(), c, c + 4);
  putSyntax(out, b.abstractSyntax, false);
  for (const auto& t : b.transferSyntaxes) putSyntax(out, t, false);
  finishLength(out, false);
  return out;
}

std::vector<uint8_t> encodeBindAck(DataRep rep, uint32_t callId, const BindAckInfo& a) {
  std::vector<uint8_t> out(kCommonHeaderSize);
  putCommonHeader(out.data(), kBindAck, kFirstFrag | kLastFrag, rep, 0, callId);
  uint8_t f[10] = {};
  store16(f, a.maxXmitFrag, rep.bigEndian);
  store16(f + 2, a.maxRecvFrag, rep.bigEndian);
  store32(f + 4, a.assocGroup, rep.bigEndian);
  uint16_t secLength =
      a.secondaryAddress.empty() ? 0 : static_cast<uint16_t>(a.secondaryAddress.size() + 1);
  store16(f + 8, secLength, rep.bigEndian);
  out.insert(out.end(), f, f + 10);
  if (secLength) {
    out.insert(out.end(), a.secondaryAddress.begin(), a.secondaryAddress.end());
    out.push_back(0);
  }
  while (out.size() % 4 != 0) out.push_back(0);
  uint8_t n[4] = {1, 0, 0, 0};
  out.insert(out.end(), n, n + 4);
  uint8_t r[4];
  store16(r, a.result, rep.bigEndian);
  store16(r + 2, a.reason, rep.bigEndian);
  out.insert(out.end(), r, r + 4);
  putSyntax(out, a.transferSyntax, rep.bigEndian);
  finishLength(out, rep.bigEndian);
  return out;
}

std::vector<uint8_t> encodeBindNak(DataRep rep, uint32_t callId, uint16_t reason) {
  std::vector<uint8_t> out(kCommonHeaderSize);
  putCommonHeader(out.data(), kBindNak, kFirstFrag | kLastFrag, rep, 0, callId);
  uint8_t f[5];
  store16(f, reason, rep.bigEndian);
  f[2] = 1;  // one supported protocol version: 5.0
  f[3] = 5;
  f[4] = 0;
  out.insert(out.end(), f, f + 5);
  finishLength(out, rep.bigEndian);
  return out;
}

std::vector<uint8_t> encodeFault(DataRep rep, uint32_t callId, uint16_t contextId, uint32_t status,
                                 bool didNotExecute) {
  std::vector<uint8_t> out(kFaultHeaderSize, 0);
  uint8_t flags = kFirstFrag | kLastFrag | (didNotExecute ? kDidNotExecute : 0);
  putCommonHeader(out.data(), kFault, flags, rep, kFaultHeaderSize, callId);
  store16(&out[20], contextId, rep.bigEndian);
  store32(&out[24], status, rep.bigEndian);
  return out;
}

size_t fragmentPiece(uint16_t maxFrag) {
  if (maxFrag < kSmallestMaxFrag) maxFrag = kSmallestMaxFrag;
  return (maxFrag - kRequestHeaderSize) & ~size_t{15};
}

void writeSingleFragmentHeader(uint8_t* at, PType type, DataRep rep, uint32_t callId,
                               uint16_t contextId, uint16_t opnum, size_t stubLength) {
  putCommonHeader(at, type, kFirstFrag | kLastFrag, rep, kRequestHeaderSize + stubLength, callId);
  store32(at + 16, static_cast<uint32_t>(stubLength), rep.bigEndian);
  store16(at + 20, contextId, rep.bigEndian);
  if (type == kRequest) {
    store16(at + 22, opnum, rep.bigEndian);
  } else {
    at[22] = 0;  // cancel count
    at[23] = 0;
  }
}

void appendFragments(std::vector<uint8_t>& out, PType type, DataRep rep, uint32_t callId,
                     uint16_t contextId, uint16_t opnum, std::span<const uint8_t> stub,
                     uint16_t maxFrag) {
  const size_t piece = fragmentPiece(maxFrag);
  size_t done = 0;
  do {
    size_t n = std::min(piece, stub.size() - done);
    uint8_t flags = 0;
    if (done == 0) flags |= kFirstFrag;
    if (done + n == stub.size()) flags |= kLastFrag;
    size_t at = out.size();
    out.resize(at + kRequestHeaderSize + n);
    writeSingleFragmentHeader(&out[at], type, rep, callId, contextId, opnum, n);
    out[at + 3] = flags;
    store32(&out[at + 16], static_cast<uint32_t>(stub.size()), rep.bigEndian);
    if (n) std::memcpy(&out[at + kRequestHeaderSize], stub.data() + done, n);
    done += n;
  } while (done < stub.size());
}

// ---------------------------------------------------------------- decoders

bool parseBind(const Pdu& pdu, BindInfo& b, std::vector<SyntaxId>* allAbstract) {
  const auto& d = pdu.bytes;
  const bool be = pdu.rep.bigEndian;
  if (pdu.ptype != kBind || d.size() < 28) return false;
  b.maxXmitFrag = load16(&d[16], be);
  b.maxRecvFrag = load16(&d[18], be);
  b.assocGroup = load32(&d[20], be);
  const unsigned elements = d[24];
  size_t pos = 28;
  b.transferSyntaxes.clear();
  for (unsigned e = 0; e < elements; ++e) {
    if (d.size() - pos < 24) return false;
    uint16_t ctx = load16(&d[pos], be);
    unsigned nTransfer = d[pos + 2];
    SyntaxId abstract = getSyntax(&d[pos + 4], be);
    pos += 24;
    if ((d.size() - pos) / 20 < nTransfer) return false;
    if (allAbstract) allAbstract->push_back(abstract);
    if (e == 0) {
      b.contextId = ctx;
      b.abstractSyntax = abstract;
      for (unsigned t = 0; t < nTransfer; ++t)
        b.transferSyntaxes.push_back(getSyntax(&d[pos + 20 * t], be));
    }
    pos += 20 * size_t{nTransfer};
  }
  return elements > 0;
}

bool parseBindAck(const Pdu& pdu, BindAckInfo& a) {
  const auto& d = pdu.bytes;
  const bool be = pdu.rep.bigEndian;
  if (pdu.ptype != kBindAck || d.size() < 26) return false;
  a.maxXmitFrag = load16(&d[16], be);
  a.maxRecvFrag = load16(&d[18], be);
  a.assocGroup = load32(&d[20], be);
  size_t secLength = load16(&d[24], be);
  if (d.size() - 26 < secLength) return false;
  a.secondaryAddress.assign(reinterpret_cast<const char*>(&d[26]), secLength ? secLength - 1 : 0);
  size_t pos = (26 + secLength + 3) & ~size_t{3};
  if (pos + 4 > d.size()) return false;
  unsigned nResults = d[pos];
  pos += 4;
  if (nResults == 0 || d.size() - pos < 24) return false;
  a.result = load16(&d[pos], be);
  a.reason = load16(&d[pos + 2], be);
  a.transferSyntax = getSyntax(&d[pos + 4], be);
  return true;
}

bool parseBindNak(const Pdu& pdu, uint16_t& reason) {
  if (pdu.ptype != kBindNak || pdu.bytes.size() < 18) return false;
  reason = load16(&pdu.bytes[16], pdu.rep.bigEndian);
  return true;
}

bool parseFault(const Pdu& pdu, uint32_t& status) {
  if (pdu.ptype != kFault || pdu.bytes.size() < 28) return false;
  status = load32(&pdu.bytes[24], pdu.rep.bigEndian);
  return true;
}

bool parseCallFragment(const Pdu& pdu, CallFragment& f) {
  const auto& d = pdu.bytes;
  const bool be = pdu.rep.bigEndian;
  if (d.size() < kRequestHeaderSize || pdu.authLength != 0) return false;
  f.allocHint = load32(&d[16], be);
  f.contextId = load16(&d[20], be);
  size_t start = kRequestHeaderSize;
  if (pdu.ptype == kRequest) {
    f.opnum = load16(&d[22], be);
    if (pdu.flags & kObjectUuid) start += 16;
  } else {
    f.opnum = 0;
  }
  if (d.size() < start) return false;
  f.stub = d.subspan(start);
  return true;
}

size_t FragmentAssembler::firstCapacity(const CallFragment& frag) const {
  return std::min(std::max<size_t>(frag.allocHint, frag.stub.size()), m_maxStub);
}

size_t FragmentAssembler::grownCapacity(size_t n) const {
  return std::min(std::max(m_stub.size() + n, 2 * m_stub.capacity()), m_maxStub);
}

size_t FragmentAssembler::heldAfter(const Pdu& pdu, const CallFragment& frag) const {
  const size_t n = frag.stub.size();
  if (!m_started) {
    const bool fragmented = (pdu.flags & kFirstFrag) && !(pdu.flags & kLastFrag);
    return fragmented && n <= m_maxStub ? std::max(m_stub.capacity(), firstCapacity(frag))
                                        : m_stub.capacity();
  }
  if (n > m_maxStub - m_stub.size() || m_stub.size() + n <= m_stub.capacity())
    return m_stub.capacity();
  return grownCapacity(n);
}

FragmentAssembler::Result FragmentAssembler::feed(const Pdu& pdu, const CallFragment& frag) {
  const bool first = pdu.flags & kFirstFrag;
  const bool last = pdu.flags & kLastFrag;
  if (!m_started) {
    if (!first) return Result::Error;
    m_started = true;
    m_ptype = pdu.ptype;
    m_callId = pdu.callId;
    m_opnum = frag.opnum;
    m_contextId = frag.contextId;
    m_rep = pdu.rep;
    if (frag.stub.size() > m_maxStub) return Result::TooLarge;
    if (last) {
      m_single = frag.stub;
      if (!m_single.data()) m_single = pdu.bytes.subspan(pdu.bytes.size());
      return Result::Complete;
    }
    m_stub.reserve(firstCapacity(frag));
    m_stub.assign(frag.stub.begin(), frag.stub.end());
    return Result::More;
  }
  if (first || pdu.ptype != m_ptype || pdu.callId != m_callId || frag.opnum != m_opnum ||
      pdu.rep.bigEndian != m_rep.bigEndian || pdu.rep.ebcdic != m_rep.ebcdic)
    return Result::Error;
  if (frag.stub.size() > m_maxStub - m_stub.size()) return Result::TooLarge;
  if (m_stub.size() + frag.stub.size() > m_stub.capacity())
    m_stub.reserve(grownCapacity(frag.stub.size()));
  m_stub.insert(m_stub.end(), frag.stub.begin(), frag.stub.end());
  return last ? Result::Complete : Result::More;
}

}  // namespace zeltrpc::rpc
