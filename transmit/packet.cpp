#include "transmit/packet.h"

#include <cstdio>

#include "platform/text.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

// printf-style formatting of one integer into a string of whatever width the
// value needs.
std::string FormatInt(const char* format, int value) {
  char buffer[32];  // an int in any of our formats needs at most 13
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n < 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

void AppendNumber(std::string& packet, const std::string& cell, const char* format) {
  packet += FormatInt(format, LeadingInt(cell));
}

// The name whole, then single spaces until the field holds 8 characters.
void AppendName(std::string& packet, const std::string& cell) {
  packet += cell;
  if (cell.size() < 8) packet.append(8 - cell.size(), ' ');
}

void AppendFirstChar(std::string& packet, const std::string& cell) {
  if (!cell.empty()) packet += cell[0];
}

char DisplayModeCode(const std::string& mode) {
  if (mode == kContinuous) return '0';
  if (mode == kSingleStep) return '1';
  return '2';
}

// A sent text holds no control character: one would end or corrupt the frame.
bool HasControlChar(const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

std::optional<PacketFieldProblem> CheckPacketFields(const RequestCells& cells,
                                                    const TeamPlayerChoice& choice) {
  struct Number {
    int column;
    int max;
  };
  // The number fields, with the largest value their width holds.
  static constexpr Number kNumbers[] = {
      {COL_SIGN, 99}, {COL_TIMES, 99999}, {COL_FRAME, 9999}, {COL_OFFSET, 99999}};
  static constexpr int kNames[] = {COL_LIBRARY, COL_SEQUENCE};
  static constexpr int kFirstChars[] = {COL_DRIVE, COL_TEAM_IND, COL_TOP3};

  for (const Number& n : kNumbers) {
    const int value = LeadingInt(cells[n.column]);
    if (value < 0 || value > n.max) {
      return PacketFieldProblem{n.column, "is not a number from 0 to " + std::to_string(n.max)};
    }
  }
  for (int column : kNames) {
    if (cells[column].size() > 8) {
      return PacketFieldProblem{column, "is longer than 8 characters"};
    }
  }
  for (int column : kFirstChars) {
    if (cells[column].empty()) return PacketFieldProblem{column, "is empty"};
  }
  for (int column : {COL_DRIVE, COL_LIBRARY, COL_SEQUENCE, COL_TEAM_IND, COL_TOP3}) {
    if (HasControlChar(cells[column])) {
      return PacketFieldProblem{column, "holds a control character"};
    }
  }
  if (choice.playerNumber < 0 || choice.playerNumber > 99) {
    return PacketFieldProblem{-1, "player number is not from 0 to 99"};
  }
  return std::nullopt;
}

std::string PacketFieldMessage(int requestNumber, const std::string& cellText,
                               const PacketFieldProblem& problem) {
  std::string text = "Request " + std::to_string(requestNumber) + " was not sent: ";
  if (problem.column < 0) return text + "its " + problem.reason + ".";
  return text + "its " + kColumns[problem.column].title + " \"" + cellText + "\" " +
         problem.reason + ", which the request packet cannot hold.";
}

bool IsTeamRequest(std::string_view teamInd) { return teamInd == "T"; }
bool IsTop3Request(std::string_view top3) { return top3 != "N"; }

void AppendRequestPacketHeader(std::string& packet, int number) {
  packet.clear();
  packet += kSyn;
  packet += '0';
  packet += "0000000";
  packet += kSoh;
  packet += FormatInt("%3.3d", number);
}

uint8_t RequestPacketChecksum(std::string_view packet) {
  unsigned sum = 0;
  for (std::size_t i = 1; i < packet.size(); ++i) sum += static_cast<unsigned char>(packet[i]);
  return static_cast<uint8_t>(sum & 0xFF);
}

void AppendRequestPacketTrailer(std::string& packet) {
  packet += kEot;
  char hex[3];
  std::snprintf(hex, sizeof hex, "%2.2X", static_cast<unsigned>(RequestPacketChecksum(packet)));
  packet += hex;
  packet += kEtb;
}

std::string BuildPacket(const RequestCells& cells, const TeamPlayerChoice& choice) {
  const char side = choice.side == 0 ? 'H' : choice.side == 1 ? 'V' : 'B';

  std::string player;
  if (IsTeamRequest(cells[COL_TEAM_IND]) || IsTop3Request(cells[COL_TOP3])) {
    player = "  ";
  } else if (choice.playerNumber < 10) {
    player = FormatInt(" %1.1d", choice.playerNumber);
  } else {
    player = FormatInt("%2.2d", choice.playerNumber);
  }

  std::string packet;
  packet.reserve(kRequestPacketSize + 16);
  AppendRequestPacketHeader(packet, 1);
  AppendNumber(packet, cells[COL_SIGN], "%2.2d");
  packet += DisplayModeCode(cells[COL_DISPLAY_MODE]);
  AppendNumber(packet, cells[COL_TIMES], "%5.5d");
  AppendFirstChar(packet, cells[COL_DRIVE]);
  AppendName(packet, cells[COL_LIBRARY]);
  AppendName(packet, cells[COL_SEQUENCE]);
  AppendNumber(packet, cells[COL_FRAME], "%4.4d");
  AppendNumber(packet, cells[COL_OFFSET], "%5.5d");
  packet += 'G';
  AppendFirstChar(packet, cells[COL_TEAM_IND]);
  packet += side;
  packet += player;
  AppendFirstChar(packet, cells[COL_TOP3] == "N" ? std::string(" ") : cells[COL_TOP3]);
  AppendRequestPacketTrailer(packet);
  return packet;
}

}  // namespace corvella
