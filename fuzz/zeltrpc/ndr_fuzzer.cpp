// Arbitrary stubs through NDR unmarshalling on both sides: the client's reply
// unmarshalling into exact-size storage and signsim's request decoding.
// Byte 0 picks the opnum, byte 1 the data representation, bytes 2-3 the
// capacities of the caller's buffers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "tools/signsim/server_stub.h"
#include "zeltrpc/client_stub.h"

using namespace zeltrpc;
using namespace zeltrpc::rpc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint16_t opnum = data[0] % kOpnumCount;
  const DataRep rep{(data[1] & 1) != 0, (data[1] & 2) != 0};
  const uint32_t capacity = data[2] | (data[3] << 8);
  std::span<const uint8_t> stub(data + 4, size - 4);

  const ProcDesc& p = kProcedures[opnum];
  ArgValue args[kMaxArgs] = {};
  uint32_t entry[kMaxArgs] = {};
  uint32_t sizes[kMaxArgs] = {};
  int32_t longs[kMaxArgs] = {};
  // Exact-size heap storage for every out buffer, so any write past it is
  // seen; left uninitialised, since filling up to 64 KiB per input would cost
  // more than the unmarshalling under test.
  std::unique_ptr<char[]> buffers[kMaxArgs];
  for (size_t i = 0; i < p.argc; ++i) {
    switch (p.args[i].kind) {
      case Arg::InString: args[i].s = "SIGN1"; break;
      case Arg::InSize: args[i].u = capacity % 512; break;
      case Arg::InOutSize:
        sizes[i] = entry[i] = capacity;
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

  signsim::CallArgs call;
  if (signsim::decodeRequest(opnum, stub, rep, call)) {
    // Padding out buffers of up to kMaxOutBuffer is correct but slow to
    // fuzz; the padding of a few KiB takes the same path.
    for (uint32_t c : call.capacity)
      if (c > 4096) return 0;
    std::vector<uint8_t> out;
    signsim::encodeReply(call, 0, rep, out, 0);
    (void)signsim::describeCall(call);
  }
  return 0;
}
