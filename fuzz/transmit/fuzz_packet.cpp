// Arbitrary cell texts and team/player choices into the packet builder: the
// packet is always framed, its checksum always right, and no text runs past
// anything.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "transmit/packet.h"

using namespace corvella;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Layout: side byte, player byte, then the thirteen cells separated by '|'.
  if (size < 2) return 0;
  TeamPlayerChoice choice;
  choice.side = static_cast<int8_t>(data[0]) % 4;
  choice.playerNumber = static_cast<int8_t>(data[1]);
  RequestCells cells;
  std::size_t column = 0;
  for (std::size_t i = 2; i < size; ++i) {
    if (data[i] == '|') {
      if (++column == cells.size()) break;
      continue;
    }
    cells[column] += static_cast<char>(data[i]);
  }

  const std::string packet = BuildPacket(cells, choice);
  if (packet.size() < 17 || packet[0] != kSyn || packet.back() != kEtb) std::abort();
  const std::size_t eot = packet.size() - 4;
  if (packet[eot] != kEot) std::abort();
  unsigned sum = 0;
  for (std::size_t i = 1; i <= eot; ++i) sum += static_cast<unsigned char>(packet[i]);
  static const char* digits = "0123456789ABCDEF";
  if (packet[eot + 1] != digits[(sum >> 4) & 15] || packet[eot + 2] != digits[sum & 15])
    std::abort();
  // Fields are never cut, only widened, and a first-character field adds
  // nothing for an empty cell: the packet only ever grows past 57 bytes.
  std::size_t minimum = kRequestPacketSize;
  for (int c : {COL_DRIVE, COL_TEAM_IND, COL_TOP3}) {
    if (cells[c].empty()) --minimum;
  }
  if (packet.size() < minimum) std::abort();
  return 0;
}
