#pragma once
// The request packet: one row of the request list, framed as fixed-layout
// ASCII for the sign system, closed by a two-digit hexadecimal checksum.
//
//   SYN "0" "0000000" SOH "001"            header (AppendRequestPacketHeader)
//   sign %2.2d, mode 0/1/2, times %5.5d    sign content
//   drive letter, library and sequence padded to 8, frame %4.4d, offset %5.5d
//   "G", team/ind letter, side H/V/B, player field, top-3 letter
//   EOT, checksum %2.2X, ETB               trailer (AppendRequestPacketTrailer)
//
// With the cell texts the editor allows the packet is exactly
// kRequestPacketSize bytes. BuildPacket itself never cuts a field: a wider
// number widens its field, a longer name is only padded, an empty
// first-character field adds nothing, so other texts would shift every later
// byte. CheckPacketFields finds such a row before anything is built, and the
// sender sends nothing that is not exactly kRequestPacketSize bytes. Every
// field is built in a std::string, so no cell text can overrun anything.
//
// These functions are pure: no list, no dialog, no configuration.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui.h"
#include "requests/request_record.h"

namespace corvella {

constexpr std::size_t kRequestPacketSize = 57;
constexpr char kSyn = 0x16;
constexpr char kSoh = 0x01;
constexpr char kEot = 0x04;
constexpr char kEtb = 0x17;

// The "Team/Ind" cell is exactly "T" (case matters, whole text).
bool IsTeamRequest(std::string_view teamInd);
// The "Top 3" cell is anything but exactly "N".
bool IsTop3Request(std::string_view top3);

// Empties `packet`, then appends SYN, "0", "0000000", SOH and `number` as
// "%3.3d" (wider when the number needs more digits).
void AppendRequestPacketHeader(std::string& packet, int number);
// Appends EOT, the checksum of everything from offset 1 through that EOT as
// "%2.2X", and ETB. An empty packet is treated as holding no bytes before
// the EOT.
void AppendRequestPacketTrailer(std::string& packet);
// Sum of the byte values from offset 1 through the end, modulo 256.
uint8_t RequestPacketChecksum(std::string_view packet);

// A cell that does not fit its packet field: which column, and why, in words
// for the operator ("is longer than 8 characters").
struct PacketFieldProblem {
  int column = -1;
  std::string reason;
};

// The first cell of `cells` (in packet order), or the player number of
// `choice`, that would not give exactly its field: a number outside what its
// width holds (negative ones included), a name longer than 8 characters, an
// empty first-character field, or a control character anywhere in a sent
// text. None: the packet BuildPacket makes is exactly kRequestPacketSize bytes.
std::optional<PacketFieldProblem> CheckPacketFields(const RequestCells& cells,
                                                    const TeamPlayerChoice& choice);

// What the operator is told about such a request, numbered from 1: the
// request, the column's title, the cell text and the reason.
std::string PacketFieldMessage(int requestNumber, const std::string& cellText,
                               const PacketFieldProblem& problem);

// The whole packet for a row and the side and player confirmed in the Select
// Desired Team/Player dialog (side 0 Home, 1 Visitor, anything else Both).
std::string BuildPacket(const RequestCells& cells, const TeamPlayerChoice& choice);

}  // namespace corvella
