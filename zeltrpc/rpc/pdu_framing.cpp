#include "zeltrpc/rpc/pdu_framing.h"

#include <algorithm>

namespace zeltrpc::rpc {

Io readFramedPdu(ReadExactly read, std::vector<uint8_t>& buffer, Pdu& pdu, size_t leastLength) {
  const size_t first = std::max(leastLength, kCommonHeaderSize);
  buffer.resize(first);
  if (Io r = read(buffer.data(), first); r != Io::Ok) return r;
  if (!parseHeader(buffer, pdu) || pdu.fragLength < first) return Io::Malformed;
  buffer.resize(pdu.fragLength);
  if (pdu.fragLength > first) {
    if (Io r = read(buffer.data() + first, pdu.fragLength - first); r != Io::Ok) return r;
  }
  pdu.bytes = std::span<const uint8_t>(buffer.data(), pdu.fragLength);
  return Io::Ok;
}

}  // namespace zeltrpc::rpc
