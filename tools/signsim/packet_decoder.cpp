#include "tools/signsim/packet_decoder.h"

#include <cstdio>
#include <string_view>

#include "tools/signsim/log_text.h"

namespace signsim {

namespace {

constexpr size_t kPacketLength = 57;

int hexDigit(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // the packet writes upper-case digits only
}

std::string rawField(std::span<const uint8_t> d, size_t at, size_t n) {
  return std::string(reinterpret_cast<const char*>(d.data() + at), n);
}

// A field of the packet as the log shows it: its bytes, with any that are
// not printable escaped (a packet is data from a client).
std::string field(std::span<const uint8_t> d, size_t at, size_t n) {
  return printableText(std::string_view(reinterpret_cast<const char*>(d.data() + at), n));
}

std::string trimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

PacketCheck decodeRequestPacket(std::span<const uint8_t> d) {
  PacketCheck r;
  if (d.size() != kPacketLength) {
    r.line = "not a request packet: " + std::to_string(d.size()) + " bytes";
    return r;
  }
  if (d[0] != 0x16 || d[9] != 0x01 || d[53] != 0x04 || d[56] != 0x17) {
    r.line = "not a request packet: framing bytes SYN/SOH/EOT/ETB missing";
    return r;
  }
  r.framed = true;
  unsigned sum = 0;
  for (size_t i = 1; i <= 53; ++i) sum += d[i];
  sum &= 0xFF;
  int hi = hexDigit(d[54]), lo = hexDigit(d[55]);
  r.checksumOk = hi >= 0 && lo >= 0 && static_cast<unsigned>(hi * 16 + lo) == sum;

  const char mode = static_cast<char>(d[15]);
  std::string_view modeText = mode == '0'   ? "Continuous"
                              : mode == '1' ? "Single Step"
                              : mode == '2' ? "Selected Frame"
                                            : "unknown";
  const char side = static_cast<char>(d[49]);
  std::string_view sideText = side == 'H'   ? "Home"
                              : side == 'V' ? "Visitor"
                              : side == 'B' ? "Both"
                                            : "?";
  std::string player = field(d, 50, 2) == "  " ? "-" : trimRight(field(d, 50, 2));
  if (!player.empty() && player[0] == ' ') player.erase(0, 1);
  std::string top3 = d[52] == ' ' ? "none" : field(d, 52, 1);
  char checksum[32];
  std::snprintf(checksum, sizeof checksum, "%s (%s, computed %02X)", field(d, 54, 2).c_str(),
                r.checksumOk ? "ok" : "BAD", sum);

  r.line = "packet header " + field(d, 10, 3) + " sign " + field(d, 13, 2) + " mode " +
           field(d, 15, 1) + " " + std::string(modeText) + " times " + field(d, 16, 5) + " drive " +
           field(d, 21, 1) + " library " + quoteText(trimRight(rawField(d, 22, 8))) + " sequence " +
           quoteText(trimRight(rawField(d, 30, 8))) + " frame " + field(d, 38, 4) + " offset " +
           field(d, 42, 5) + " statistic " + field(d, 47, 1) + " team/ind " + field(d, 48, 1) +
           " side " + std::string(sideText) + " player " + player + " top3 " + top3 + " checksum " +
           checksum;
  return r;
}

}  // namespace signsim
