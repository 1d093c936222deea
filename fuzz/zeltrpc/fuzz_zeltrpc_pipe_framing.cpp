// Feeds arbitrary bytes, in reads of sizes the input chooses, to the framing
// of PDUs read from a named pipe: each PDU must come out whole, exactly as
// long as its frag_length says, and nothing may be read past it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "zeltrpc/rpc/pdu_framing.h"

using namespace zeltrpc::rpc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  size_t pos = 0;
  std::vector<uint8_t> buffer;
  auto read = [&](uint8_t* to, size_t count) {
    if (count > in.size() - pos) return Io::Closed;  // the message ended
    std::memcpy(to, in.data() + pos, count);
    pos += count;
    return Io::Ok;
  };
  for (;;) {
    const size_t start = pos;
    Pdu pdu;
    const Io io = readFramedPdu(read, buffer, pdu);
    if (io != Io::Ok) break;
    if (pdu.bytes.size() != pdu.fragLength || pdu.fragLength < kCommonHeaderSize ||
        pos - start != pdu.fragLength ||
        std::memcmp(pdu.bytes.data(), data + start, pdu.fragLength) != 0)
      std::abort();
  }
  return 0;
}
