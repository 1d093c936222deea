// Feeds arbitrary bytes to signsim's side of a Samba pipe: as a handshake
// (accepted only with a matching length, the magic, level 7 or 8 and the
// same union arm, and then answered with 36 bytes that say so), and as
// message-mode bytes arriving in pieces of sizes the input chooses (the
// payload must come out as one pass over the whole input gives it). The
// bytes framed for sending come back unchanged through the unframer.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "tools/signsim/samba_pipe.h"

using namespace signsim;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// Message mode read in one pass: a 2-byte length, then that many bytes.
std::vector<uint8_t> unframeAtOnce(std::span<const uint8_t> in) {
  std::vector<uint8_t> out;
  size_t at = 0;
  while (in.size() - at >= 2) {
    const size_t n = in[at] | size_t{in[at + 1]} << 8;
    at += 2;
    const size_t take = std::min(n, in.size() - at);
    out.insert(out.end(), in.begin() + static_cast<ptrdiff_t>(at),
               in.begin() + static_cast<ptrdiff_t>(at + take));
    at += take;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> in(data, size);

  const HandshakeCheck hs = checkHandshake(in);
  if (hs.ok) {
    check(size >= 16 && size - 4 <= kMaxHandshake);
    check((uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3]) ==
          size - 4);
    check(std::memcmp(data + 4, "NPAM", 4) == 0);
    check(hs.level == 7 || hs.level == 8);
    uint32_t level = 0, arm = 0;
    std::memcpy(&level, data + 8, 4);
    std::memcpy(&arm, data + 12, 4);
    check(level == hs.level && arm == hs.level);
    const auto reply = handshakeReply(hs.level);
    check(reply.size() == kHandshakeReplySize && reply[3] == kHandshakeReplySize - 4 &&
          std::memcmp(reply.data() + 4, "NPAM", 4) == 0 && reply[8] == hs.level &&
          reply[12] == hs.level && reply[16] == 2);
  } else {
    check(!hs.why.empty());
  }

  // Pieces of 1 to 16 bytes, their sizes taken from the input itself.
  MessageUnframer unframer;
  std::vector<uint8_t> pieces;
  for (size_t at = 0, i = 0; at < size; ++i) {
    const size_t n = std::min<size_t>(size - at, 1 + (data[i % size] & 15));
    unframer.feed(in.subspan(at, n), pieces);
    at += n;
  }
  check(pieces == unframeAtOnce(in));

  std::vector<uint8_t> framed, back;
  frameMessages(in, framed);
  MessageUnframer again;
  again.feed(framed, back);
  check(back == std::vector<uint8_t>(in.begin(), in.end()) && again.pending() == 0);
  return 0;
}
