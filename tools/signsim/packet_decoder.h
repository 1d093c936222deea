// Decodes the 57-byte request packet that the request program sends as
// real-time data into one readable line for the service log.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace signsim {

struct PacketCheck {
  bool framed = false;      // 57 bytes, SYN/SOH/EOT/ETB where they belong
  bool checksumOk = false;  // two hex digits equal the sum of bytes 1..53 mod 256
  std::string line;         // the readable line (or why it is no packet)
};

PacketCheck decodeRequestPacket(std::span<const uint8_t> data);

}  // namespace signsim
