// The request packet built from one row's cell texts and the team/player
// choice: the worked example byte for byte, every field rule as one table,
// the checksum rule, and texts the editor would never let through.

#include "transmit/packet.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace corvella {
namespace {

// Team/Ind I, Top 3 N, Sign # 3, Continuous, 5 times, drive C, SCORES,
// LEADERS, frame 0, offset 120.
RequestCells ExampleRow() {
  RequestCells cells;
  cells[COL_NUMBER] = "1";
  cells[COL_DESCRIPTION] = "Points Leaders";
  cells[COL_TEAM_IND] = "I";
  cells[COL_TOP3] = "N";
  cells[COL_GAME_SEASON] = "G";
  cells[COL_SIGN] = "3";
  cells[COL_DISPLAY_MODE] = "Continuous";
  cells[COL_TIMES] = "5";
  cells[COL_DRIVE] = "C";
  cells[COL_LIBRARY] = "SCORES";
  cells[COL_SEQUENCE] = "LEADERS";
  cells[COL_FRAME] = "0";
  cells[COL_OFFSET] = "120";
  return cells;
}

TeamPlayerChoice Choice(int side, int player) {
  TeamPlayerChoice choice;
  choice.side = side;
  choice.playerNumber = player;
  return choice;
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Checks the frame every packet has, whatever its cells: SYN "0" zeros SOH
// "001" at the front, EOT, a correct upper-case checksum and ETB at the end.
void ExpectFramed(const std::string& packet) {
  ASSERT_GE(packet.size(), 17u);
  EXPECT_EQ(packet.substr(0, 13), std::string("\x16"
                                              "00000000"
                                              "\x01"
                                              "001"));
  const std::size_t eot = packet.size() - 4;
  EXPECT_EQ(packet[eot], '\x04');
  EXPECT_EQ(packet.back(), '\x17');
  unsigned sum = 0;
  for (std::size_t i = 1; i <= eot; ++i) sum += static_cast<unsigned char>(packet[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum % 256);
  EXPECT_EQ(packet.substr(eot + 1, 2), hex);
}

TEST(RequestPacket, WorkedExampleByteForByte) {
  const std::string packet = BuildPacket(ExampleRow(), Choice(1, 7));
  EXPECT_EQ(Hex(packet),
            "16 30 30 30 30 30 30 30 30 01 30 30 31 30 33 30 30 30 30 30 35 43 53 43 4F 52 45 53 "
            "20 20 4C 45 41 44 45 52 53 20 30 30 30 30 30 30 31 32 30 47 49 56 20 37 20 04 32 30 "
            "17");
  EXPECT_EQ(packet.size(), kRequestPacketSize);
}

struct FieldCase {
  const char* name;
  std::map<int, std::string> cells;  // overrides of the example row
  int side;
  int player;
  std::size_t offset;
  std::string expected;  // bytes at `offset`
  std::size_t size;      // whole packet length
};

class PacketField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(PacketField, Holds) {
  const FieldCase& c = GetParam();
  RequestCells cells = ExampleRow();
  for (const auto& [column, text] : c.cells) cells[column] = text;
  const std::string packet = BuildPacket(cells, Choice(c.side, c.player));
  ExpectFramed(packet);
  EXPECT_EQ(packet.size(), c.size);
  ASSERT_LE(c.offset + c.expected.size(), packet.size());
  EXPECT_EQ(packet.substr(c.offset, c.expected.size()), c.expected) << Hex(packet);
}

const std::size_t N = kRequestPacketSize;

INSTANTIATE_TEST_SUITE_P(
    Fields, PacketField,
    ::testing::Values(
        // sign number
        FieldCase{"Sign3", {{COL_SIGN, "3"}}, 1, 7, 13, "03", N},
        FieldCase{"Sign16", {{COL_SIGN, "16"}}, 1, 7, 13, "16", N},
        // display mode and times
        FieldCase{"SingleStep", {{COL_DISPLAY_MODE, "Single Step"}}, 1, 7, 15, "1", N},
        FieldCase{"SelectedFrame",
                  {{COL_DISPLAY_MODE, "Selected Frame"}, {COL_TIMES, "0"}},
                  1,
                  7,
                  15,
                  "200000",
                  N},
        FieldCase{"OtherModeText", {{COL_DISPLAY_MODE, "continuous"}}, 1, 7, 15, "2", N},
        FieldCase{"EmptyModeText", {{COL_DISPLAY_MODE, ""}}, 1, 7, 15, "2", N},
        // names: padded, never cut
        FieldCase{"LibraryPadded", {{COL_LIBRARY, "DEFAULT"}}, 1, 7, 22, "DEFAULT ", N},
        FieldCase{
            "SequenceTrailingBlank", {{COL_SEQUENCE, "RTD_SEQ "}}, 1, 7, 30, "RTD_SEQ 0000", N},
        FieldCase{"EmptyLibrary", {{COL_LIBRARY, ""}}, 1, 7, 22, "        LEADERS", N},
        FieldCase{"LongLibraryNotCut",
                  {{COL_LIBRARY, "ABCDEFGHIJ"}},
                  1,
                  7,
                  22,
                  "ABCDEFGHIJLEADERS ",
                  N + 2},
        // player field
        FieldCase{"Player0", {}, 0, 0, 49, "H 0 ", N},
        FieldCase{"Player9", {}, 0, 9, 49, "H 9 ", N},
        FieldCase{"Player10", {}, 1, 10, 49, "V10 ", N},
        FieldCase{"Player99", {}, 2, 99, 49, "B99 ", N},
        FieldCase{"VisitorAnd12", {}, 1, 12, 47, "GIV12 ", N},
        FieldCase{"UnknownSideIsBoth", {}, -1, 12, 49, "B", N},
        FieldCase{"TeamRequestBlanksPlayer", {{COL_TEAM_IND, "T"}}, 2, 42, 47, "GTB   ", N},
        FieldCase{"LowerCaseTIsIndividual", {{COL_TEAM_IND, "t"}}, 0, 42, 47, "GtH42 ", N},
        FieldCase{"Top3BlanksPlayer", {{COL_TOP3, "P"}}, 0, 42, 47, "GIH  P", N},
        FieldCase{"Top3FirstCharOnly", {{COL_TOP3, "Passing"}}, 0, 42, 49, "H  P\x04", N},
        FieldCase{"EmptyTop3IsTop3", {{COL_TOP3, ""}}, 0, 42, 49, "H  \x04", N - 1},
        // number fields read like atoi and are never cut
        FieldCase{"NumberLeadingBlanks", {{COL_FRAME, "  42abc"}}, 1, 7, 38, "0042", N},
        FieldCase{"NumberNoDigits", {{COL_OFFSET, "x5"}}, 1, 7, 42, "00000", N},
        FieldCase{"TimesTooWide", {{COL_TIMES, "1234567"}}, 1, 7, 16, "1234567C", N + 2},
        FieldCase{"NegativeSign", {{COL_SIGN, "-3"}}, 1, 7, 13, "-030", N + 1},
        FieldCase{"HugeOffsetSaturates",
                  {{COL_OFFSET, "99999999999999999999"}},
                  1,
                  7,
                  42,
                  "2147483647G",
                  N + 5},
        FieldCase{"MostNegativeFrame",
                  {{COL_FRAME, "-99999999999999999999"}},
                  1,
                  7,
                  38,
                  "-2147483648",
                  N + 7},
        // first-character fields
        FieldCase{"DriveFirstChar", {{COL_DRIVE, "Dx"}}, 1, 7, 21, "DSCORES", N},
        FieldCase{"EmptyDrive", {{COL_DRIVE, ""}}, 1, 7, 21, "SCORES", N - 1}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.name); });

TEST(RequestPacket, ChecksumBelow16HasLeadingZeroAndUpperCase) {
  // Search rows whose checksum falls below 0x10 and above 0x9F by varying the
  // offset: every value is reached within 256 steps.
  bool sawLow = false, sawLetters = false;
  for (int offset = 0; offset < 2560 && !(sawLow && sawLetters); ++offset) {
    RequestCells cells = ExampleRow();
    cells[COL_OFFSET] = std::to_string(offset);
    const std::string packet = BuildPacket(cells, Choice(0, 5));
    SCOPED_TRACE(offset);
    ExpectFramed(packet);
    const std::string hex = packet.substr(54, 2);
    if (hex[0] == '0') sawLow = true;
    if (hex.find_first_of("ABCDEF") != std::string::npos) sawLetters = true;
    EXPECT_EQ(hex.find_first_of("abcdef"), std::string::npos);
  }
  EXPECT_TRUE(sawLow);
  EXPECT_TRUE(sawLetters);
}

TEST(RequestPacket, ChecksumCoversOffsetOneAndEotButNotSyn) {
  std::string packet;
  AppendRequestPacketHeader(packet, 1);
  // "0" + seven "0" + SOH + "001" + EOT = 8*0x30 + 1 + 0x30*2 + 0x31 + 4
  AppendRequestPacketTrailer(packet);
  const unsigned sum = 8 * 0x30 + 0x01 + 0x30 + 0x30 + 0x31 + 0x04;
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", sum % 256);
  EXPECT_EQ(packet.substr(14, 2), hex);
  EXPECT_EQ(packet.size(), 17u);
  EXPECT_EQ(packet.back(), '\x17');
}

TEST(RequestPacket, HeaderEmptiesThePacketFirst) {
  std::string packet = "left over";
  AppendRequestPacketHeader(packet, 1);
  EXPECT_EQ(packet, std::string("\x16"
                                "00000000"
                                "\x01"
                                "001"));
  AppendRequestPacketHeader(packet, 1234);
  EXPECT_EQ(packet.substr(10), "1234");
}

TEST(RequestPacket, HighBytesSumAsUnsigned) {
  RequestCells cells = ExampleRow();
  cells[COL_LIBRARY] = "\xE9\xFF\x80";
  ExpectFramed(BuildPacket(cells, Choice(0, 1)));
}

TEST(RequestPacket, VeryLongCellsGiveAWholePacket) {
  RequestCells cells;
  for (auto& cell : cells) cell.assign(100000, '9');
  cells[COL_LIBRARY].assign(100000, 'L');
  const std::string packet = BuildPacket(cells, Choice(1, 12));
  ExpectFramed(packet);
  EXPECT_NE(packet.find(std::string(100000, 'L')), std::string::npos);
}

TEST(RequestPacket, RequestKinds) {
  EXPECT_TRUE(IsTeamRequest("T"));
  for (const char* text : {"I", "t", "T ", "", "Team"}) EXPECT_FALSE(IsTeamRequest(text)) << text;
  EXPECT_FALSE(IsTop3Request("N"));
  for (const char* text : {"P", "n", "N ", "", "Normal"}) EXPECT_TRUE(IsTop3Request(text)) << text;
}

}  // namespace
}  // namespace corvella
