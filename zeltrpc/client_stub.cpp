#include "zeltrpc/client_stub.h"

#include <cstring>
#include <span>
#include <vector>

#include "zeltrpc/rpc/ndr.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/status.h"

namespace zeltrpc {

using namespace rpc;

namespace {

// What the first pass over a reply found for one argument.
struct Decoded {
  uint32_t value = 0;              // integers
  std::span<const uint8_t> bytes;  // out buffers
};

bool isPointer(Arg k) { return k != Arg::InLong && k != Arg::InSize; }

// Capacity of an out buffer: the in size, or the in,out size on entry.
uint32_t capacityOf(const ProcDesc& p, size_t i, const ArgValue* args, const uint32_t* entrySizes) {
  const auto sizeArg = static_cast<size_t>(p.args[i].sizeArg);
  return p.args[i].kind == Arg::OutBufferN ? args[sizeArg].u : entrySizes[sizeArg];
}

}  // namespace

uint32_t unmarshalReply(uint16_t opnum, const ArgValue* args, const uint32_t* entrySizes,
                        std::span<const uint8_t> stub, DataRep rep) {
  const ProcDesc& p = kProcedures[opnum];
  // First pass: decode and check everything, store nothing.
  Decoded d[kMaxArgs];
  NdrReader r(stub, rep);
  for (size_t i = 0; i < p.argc; ++i) {
    switch (p.args[i].kind) {
      case Arg::OutLong:
      case Arg::InOutLong:
      case Arg::InOutSize:
        if (!r.getU32(d[i].value)) return kBadStubData;
        break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar:
        if (!r.getArray(d[i].bytes)) return kBadStubData;
        if (d[i].bytes.size() > capacityOf(p, i, args, entrySizes)) return kBadStubData;
        break;
      default: break;
    }
  }
  uint32_t status = 0;
  if (!r.getU32(status)) return kBadStubData;
  // An out buffer holds exactly as many bytes as its size says: the count
  // sent must be the size returned (or the in size for buffer(n)).
  for (size_t i = 0; i < p.argc; ++i) {
    const auto k = p.args[i].kind;
    if (k == Arg::OutBufferStar && d[i].bytes.size() != d[p.args[i].sizeArg].value)
      return kBadStubData;
    if (k == Arg::OutBufferN && d[i].bytes.size() != args[p.args[i].sizeArg].u) return kBadStubData;
  }
  // Second pass: store into the caller's storage.
  for (size_t i = 0; i < p.argc; ++i) {
    const ArgValue& a = args[i];
    switch (p.args[i].kind) {
      case Arg::OutLong:
      case Arg::InOutLong: *a.pl = static_cast<int32_t>(d[i].value); break;
      case Arg::InOutSize: *a.pu = d[i].value; break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar:
        if (d[i].bytes.empty()) break;
        if (rep.ebcdic) {
          for (size_t j = 0; j < d[i].bytes.size(); ++j)
            a.out[j] = static_cast<char>(ebcdicToAscii(d[i].bytes[j]));
        } else {
          std::memcpy(a.out, d[i].bytes.data(), d[i].bytes.size());
        }
        break;
      default: break;
    }
  }
  return status;
}

uint32_t invokeProcedure(BindingHandle* binding, uint16_t opnum, const ArgValue* args) {
  if (opnum >= kOpnumCount) return kProcnumOutOfRange;
  const ProcDesc& p = kProcedures[opnum];
  for (size_t i = 0; i < p.argc; ++i)
    if (isPointer(p.args[i].kind) && args[i].s == nullptr) return kNullRefPointer;
  // What no request the service takes can carry is refused before anything
  // is sent: the same call sent anyway would meet a closed connection
  // half-way, and its caller could not tell whether it ran.
  for (size_t i = 0; i < p.argc; ++i) {
    const Arg k = p.args[i].kind;
    if (k == Arg::InString && std::strlen(args[i].s) > kMaxArgumentBytes) return kInvalidParameter;
    if ((k == Arg::InBuffer || k == Arg::OutBufferN) &&
        args[p.args[i].sizeArg].u > kMaxArgumentBytes)
      return kInvalidParameter;
  }
  if (!binding) return kInvalidBinding;

  // Sizes on entry, read once: they give the capacities of the out buffers.
  uint32_t entrySizes[kMaxArgs] = {};
  size_t requestSize = 0;
  size_t maxReply = 4;  // the status
  for (size_t i = 0; i < p.argc; ++i) {
    const ArgValue& a = args[i];
    switch (p.args[i].kind) {
      case Arg::InLong:
      case Arg::InSize: requestSize += 8; break;
      case Arg::InString: requestSize += 16 + std::strlen(a.s); break;
      case Arg::InBuffer: requestSize += 8 + args[p.args[i].sizeArg].u; break;
      case Arg::InOutSize:
        entrySizes[i] = *a.pu;
        requestSize += 8;
        maxReply += 8;
        break;
      case Arg::InOutLong:
        requestSize += 8;
        maxReply += 8;
        break;
      case Arg::OutLong: maxReply += 8; break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar: break;
    }
  }
  for (size_t i = 0; i < p.argc; ++i) {
    if (p.args[i].kind == Arg::OutBufferN || p.args[i].kind == Arg::OutBufferStar)
      maxReply += 8 + size_t{capacityOf(p, i, args, entrySizes)};
  }

  // The request: 24 bytes of room for the PDU header, then the stub. The
  // buffer belongs to the call: a thread-local one would register a
  // thread-exit destructor, and the C library then keeps the library loaded
  // after dlclose for as long as the calling thread lives.
  std::vector<uint8_t> pdu;
  pdu.reserve(kRequestHeaderSize + requestSize);
  pdu.resize(kRequestHeaderSize);
  NdrWriter w(pdu, kRequestHeaderSize);
  for (size_t i = 0; i < p.argc; ++i) {
    const ArgValue& a = args[i];
    switch (p.args[i].kind) {
      case Arg::InLong: w.putU32(static_cast<uint32_t>(a.l)); break;
      case Arg::InSize: w.putU32(a.u); break;
      case Arg::InString: w.putString(a.s, std::strlen(a.s)); break;
      case Arg::InBuffer:
        w.putArray(reinterpret_cast<const uint8_t*>(a.s), args[p.args[i].sizeArg].u);
        break;
      case Arg::InOutSize: w.putU32(entrySizes[i]); break;
      case Arg::InOutLong: w.putU32(static_cast<uint32_t>(*a.pl)); break;
      default: break;
    }
  }

  auto onReply = [&](std::span<const uint8_t> stub, DataRep rep) {
    return unmarshalReply(opnum, args, entrySizes, stub, rep);
  };
  return binding->call(signInterface(), opnum, pdu, maxReply, onReply);
}

}  // namespace zeltrpc
