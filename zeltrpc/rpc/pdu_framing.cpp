#include "zeltrpc/rpc/pdu_framing.h"

namespace zeltrpc::rpc {

Io readFramedPdu(ReadExactly read, std::vector<uint8_t>& buffer, Pdu& pdu) {
  buffer.resize(kCommonHeaderSize);
  if (Io r = read(buffer.data(), kCommonHeaderSize); r != Io::Ok) return r;
  if (!parseHeader(buffer, pdu)) return Io::Malformed;
  buffer.resize(pdu.fragLength);
  if (pdu.fragLength > kCommonHeaderSize) {
    if (Io r = read(buffer.data() + kCommonHeaderSize, pdu.fragLength - kCommonHeaderSize);
        r != Io::Ok)
      return r;
  }
  pdu.bytes = std::span<const uint8_t>(buffer.data(), pdu.fragLength);
  return Io::Ok;
}

}  // namespace zeltrpc::rpc
