// Feeds arbitrary bytes to the client's reply path: PDU framing and headers,
// bind_ack/bind_nak/fault/response decoding, fragment reassembly, then the
// reply stub's unmarshalling for the opnum chosen by the first byte.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "zeltrpc/client_stub.h"
#include "zeltrpc/rpc/pdu.h"

using namespace zeltrpc;
using namespace zeltrpc::rpc;

namespace {

// Exact-size heap storage for every out item, so any write past it is seen
// (left uninitialised: the reply fills it or nothing reads it).
void unmarshalFor(uint16_t opnum, std::span<const uint8_t> stub, DataRep rep) {
  const ProcDesc& p = kProcedures[opnum];
  ArgValue args[kMaxArgs] = {};
  uint32_t entry[kMaxArgs] = {};
  std::unique_ptr<char[]> buffers[kMaxArgs];
  uint32_t sizes[kMaxArgs] = {};
  int32_t longs[kMaxArgs] = {};
  for (size_t i = 0; i < p.argc; ++i) {
    switch (p.args[i].kind) {
      case Arg::InString: args[i].s = "S"; break;
      case Arg::InSize: args[i].u = 7; break;
      case Arg::InOutSize:
        sizes[i] = entry[i] = 5 + static_cast<uint32_t>(i);
        args[i].pu = &sizes[i];
        break;
      case Arg::OutLong:
      case Arg::InOutLong: args[i].pl = &longs[i]; break;
      default: break;
    }
  }
  for (size_t i = 0; i < p.argc; ++i) {
    if (p.args[i].kind == Arg::OutBufferN || p.args[i].kind == Arg::OutBufferStar) {
      const auto n =
          p.args[i].kind == Arg::OutBufferN ? args[p.args[i].sizeArg].u : entry[p.args[i].sizeArg];
      buffers[i].reset(new char[n]);
      args[i].out = buffers[i].get();
    }
  }
  unmarshalReply(opnum, args, entry, stub, rep);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint16_t opnum = data[0] % kOpnumCount;
  std::span<const uint8_t> in(data + 1, size - 1);
  FragmentAssembler assembler;
  assembler.reset(64 * 1024);
  size_t pos = 0;
  while (in.size() - pos >= kCommonHeaderSize) {
    Pdu pdu;
    if (!parseHeader(in.subspan(pos), pdu) || pdu.fragLength > in.size() - pos) break;
    pdu.bytes = in.subspan(pos, pdu.fragLength);
    pos += pdu.fragLength;
    BindAckInfo ack;
    uint16_t reason = 0;
    uint32_t status = 0;
    BindInfo bind;
    switch (pdu.ptype) {
      case kBindAck: parseBindAck(pdu, ack); break;
      case kBindNak: parseBindNak(pdu, reason); break;
      case kFault: parseFault(pdu, status); break;
      case kBind: parseBind(pdu, bind); break;
      case kResponse:
      case kRequest: {
        CallFragment frag;
        if (!parseCallFragment(pdu, frag)) break;
        auto r = assembler.feed(pdu, frag);
        if (r == FragmentAssembler::Result::Complete) {
          unmarshalFor(opnum, assembler.stub(), assembler.rep());
          assembler.reset(64 * 1024);
        } else if (r != FragmentAssembler::Result::More) {
          assembler.reset(64 * 1024);
        }
        break;
      }
      default: break;
    }
  }
  return 0;
}
