// The service log's reading of a request packet: fields, framing, checksum.

#include "tools/signsim/packet_decoder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using signsim::decodeRequestPacket;

std::span<const uint8_t> view(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Builds a packet from its body (offsets 10..52) with a correct checksum.
std::string packet(const std::string& body) {
  std::string p = std::string("\x16") + "0" + "0000000" + "\x01" + body + "\x04";
  unsigned sum = 0;
  for (size_t i = 1; i < p.size(); ++i) sum += static_cast<uint8_t>(p[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum & 0xFF);
  return p + hex + "\x17";
}

TEST(PacketDecoder, ReadsTheWorkedExample) {
  const std::string p = packet("00103000005CSCORES  LEADERS 000000120GIV 7 ");
  ASSERT_EQ(p.size(), 57u);
  EXPECT_EQ(p.substr(54, 2), "20");
  auto r = decodeRequestPacket(view(p));
  EXPECT_TRUE(r.framed);
  EXPECT_TRUE(r.checksumOk);
  EXPECT_EQ(
      r.line,
      "packet header 001 sign 03 mode 0 Continuous times 00005 drive C library \"SCORES\" sequence "
      "\"LEADERS\" frame 0000 offset 00120 statistic G team/ind I side Visitor player 7 top3 none "
      "checksum 20 (ok, computed 20)");
}

struct FieldCase {
  const char* body;
  const char* expected;  // a piece of the line
};

TEST(PacketDecoder, ReadsModesSidesPlayersAndTop3) {
  const FieldCase cases[] = {
      {"00116201234DDEFAULT RTD_SEQ 001200000GTB  P", "mode 2 Selected Frame"},
      {"00116201234DDEFAULT RTD_SEQ 001200000GTB  P", "side Both player - top3 P"},
      {"00116101234DDEFAULT RTD_SEQ 001200000GIH99 ", "mode 1 Single Step"},
      {"00116101234DDEFAULT RTD_SEQ 001200000GIH99 ", "side Home player 99 top3 none"},
      {"00116101234DDEFAULT RTD_SEQ 001200000GIH 0 ", "player 0 top3"},
      {"00116101234DDEFAULT RTD_SEQ 001200000GIH 0 ", "library \"DEFAULT\" sequence \"RTD_SEQ\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    auto r = decodeRequestPacket(view(packet(c.body)));
    EXPECT_TRUE(r.checksumOk);
    EXPECT_NE(r.line.find(c.expected), std::string::npos) << r.line;
  }
}

TEST(PacketDecoder, FlagsBadChecksumsAndNonPackets) {
  std::string p = packet("00103000005CSCORES  LEADERS 000000120GIV 7 ");
  p[54] = '2';
  p[55] = '1';
  auto bad = decodeRequestPacket(view(p));
  EXPECT_TRUE(bad.framed);
  EXPECT_FALSE(bad.checksumOk);
  EXPECT_NE(bad.line.find("checksum 21 (BAD, computed 20)"), std::string::npos);
  p[55] = 'z';
  EXPECT_FALSE(decodeRequestPacket(view(p)).checksumOk);

  EXPECT_EQ(decodeRequestPacket(view("abc")).line, "not a request packet: 3 bytes");
  std::string unframed = packet("00103000005CSCORES  LEADERS 000000120GIV 7 ");
  unframed[56] = 'x';
  auto u = decodeRequestPacket(view(unframed));
  EXPECT_FALSE(u.framed);
  EXPECT_NE(u.line.find("framing"), std::string::npos);
  EXPECT_EQ(decodeRequestPacket({}).line, "not a request packet: 0 bytes");
}

}  // namespace
