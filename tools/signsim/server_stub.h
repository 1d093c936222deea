// The server half of the generic marshaller: decodes a request stub of any
// opnum of the sign interface into argument values and encodes the reply,
// both by interpreting the one procedure table of zeltrpc/sign_interface.h.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "zeltrpc/rpc/ndr.h"
#include "zeltrpc/sign_interface.h"

namespace signsim {

// One argument of a call. Integers (in, out and in,out) live in `u`
// (`l()` gives the signed view); strings in `text`; buffers in `bytes`.
struct Value {
  uint32_t u = 0;
  std::string text;
  std::vector<uint8_t> bytes;

  int32_t l() const { return static_cast<int32_t>(u); }
  void setLong(int32_t v) { u = static_cast<uint32_t>(v); }
};

struct CallArgs {
  uint16_t opnum = 0;
  std::array<Value, zeltrpc::kMaxArgs> v;
  // Capacity of each out buffer as the client sent it (in size or in,out size on entry).
  std::array<uint32_t, zeltrpc::kMaxArgs> capacity{};
};

// Largest out buffer(n) the service fills (its in size is the client's word):
// as large as the client asks for.
inline constexpr uint32_t kMaxOutBuffer = zeltrpc::kMaxArgumentBytes;

// Decodes the in and in,out items. False for a stub that does not match the
// procedure's arguments (short, bad string, buffer count not equal to its
// size argument, an out buffer(n) above kMaxOutBuffer). Out buffers start empty.
bool decodeRequest(uint16_t opnum, std::span<const uint8_t> stub, zeltrpc::rpc::DataRep rep,
                   CallArgs& call);

// Encodes the out and in,out items and the status. Out buffers(*s) are cut to
// their capacity and their size argument set to the bytes sent; out
// buffers(n) are padded or cut to exactly n bytes.
void encodeReply(CallArgs& call, uint32_t status, zeltrpc::rpc::DataRep rep,
                 std::vector<uint8_t>& out, size_t base);

// "SendRealTimeDataPort(port=0, data[3]=\"abc\", length=3)" for the log.
std::string describeCall(const CallArgs& call);

}  // namespace signsim
