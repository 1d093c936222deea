#include "tools/signsim/server_stub.h"

#include "tools/signsim/log_text.h"

namespace signsim {

using zeltrpc::Arg;
using zeltrpc::kProcedures;
using namespace zeltrpc::rpc;

bool decodeRequest(uint16_t opnum, std::span<const uint8_t> stub, DataRep rep, CallArgs& call) {
  if (opnum >= zeltrpc::kOpnumCount) return false;
  const auto& p = kProcedures[opnum];
  call.opnum = opnum;
  NdrReader r(stub, rep);
  for (size_t i = 0; i < p.argc; ++i) {
    Value& v = call.v[i];
    v.u = 0;  // cleared in place: a connection reuses its buffers call after call
    v.text.clear();
    v.bytes.clear();
    switch (p.args[i].kind) {
      case Arg::InLong:
      case Arg::InSize:
      case Arg::InOutSize:
      case Arg::InOutLong:
        if (!r.getU32(v.u)) return false;
        break;
      case Arg::InString: {
        std::span<const uint8_t> t;
        if (!r.getString(t)) return false;
        v.text.reserve(t.size());
        for (uint8_t c : t) v.text.push_back(static_cast<char>(rep.ebcdic ? ebcdicToAscii(c) : c));
        break;
      }
      case Arg::InBuffer: {
        std::span<const uint8_t> b;
        if (!r.getArray(b)) return false;
        v.bytes.reserve(b.size());
        for (uint8_t c : b) v.bytes.push_back(rep.ebcdic ? ebcdicToAscii(c) : c);
        break;
      }
      default: break;
    }
  }
  for (size_t i = 0; i < p.argc; ++i) {
    const auto k = p.args[i].kind;
    const auto sizeArg = p.args[i].sizeArg;
    if (k == Arg::InBuffer && call.v[i].bytes.size() != call.v[sizeArg].u) return false;
    if (k == Arg::OutBufferN || k == Arg::OutBufferStar) call.capacity[i] = call.v[sizeArg].u;
    // An out buffer(n) is sent whole; a client may not make the service
    // allocate gigabytes for it.
    if (k == Arg::OutBufferN && call.capacity[i] > kMaxOutBuffer) return false;
  }
  return true;
}

void encodeReply(CallArgs& call, uint32_t status, DataRep rep, std::vector<uint8_t>& out,
                 size_t base) {
  const auto& p = kProcedures[call.opnum];
  for (size_t i = 0; i < p.argc; ++i) {
    Value& v = call.v[i];
    if (p.args[i].kind == Arg::OutBufferStar) {
      if (v.bytes.size() > call.capacity[i]) v.bytes.resize(call.capacity[i]);
      call.v[p.args[i].sizeArg].u = static_cast<uint32_t>(v.bytes.size());
    } else if (p.args[i].kind == Arg::OutBufferN) {
      v.bytes.resize(call.capacity[i]);
    }
  }
  NdrWriter w(out, base, rep);
  for (size_t i = 0; i < p.argc; ++i) {
    const Value& v = call.v[i];
    switch (p.args[i].kind) {
      case Arg::OutLong:
      case Arg::InOutLong:
      case Arg::InOutSize: w.putU32(v.u); break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar:
        w.putArray(v.bytes.data(), static_cast<uint32_t>(v.bytes.size()));
        break;
      default: break;
    }
  }
  w.putU32(status);
}

std::string describeCall(const CallArgs& call) {
  const auto& p = kProcedures[call.opnum];
  std::string s = p.name ? p.name : "Opnum" + std::to_string(call.opnum);
  s += '(';
  bool first = true;
  for (size_t i = 0; i < p.argc; ++i) {
    const Value& v = call.v[i];
    std::string item;
    switch (p.args[i].kind) {
      case Arg::InLong:
      case Arg::InOutLong: item = std::to_string(v.l()); break;
      case Arg::InSize:
      case Arg::InOutSize: item = std::to_string(v.u); break;
      case Arg::InString:
        // Texts and buffers alike: the first 64 characters, escaped, so that
        // a call of megabytes still logs one short line and no text can
        // make a line of its own.
        item = quoteText(v.text, 64);
        break;
      case Arg::InBuffer:
        item = "[" + std::to_string(v.bytes.size()) + "] " + quoteText(v.bytes, 64);
        break;
      default: continue;  // out-only items are not part of the request
    }
    if (!first) s += ", ";
    s += item;
    first = false;
  }
  s += ')';
  return s;
}

}  // namespace signsim
