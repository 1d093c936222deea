#pragma once
// Test support: the 57-byte request packet of the worked example, as it
// must go over the wire (the golden bytes every sending path is held to).

#include <string>

namespace corvella::testing {

// Sign 03, Continuous, 5 times, drive C, library SCORES, sequence LEADERS,
// frame 0, offset 120, statistic G, I, Visitor, player 7; checksum 20.
inline const std::string kExamplePacket =
    "\x16"
    "00000000"
    "\x01"
    "001"
    "03"
    "0"
    "00005"
    "C"
    "SCORES  "
    "LEADERS "
    "0000"
    "00120"
    "G"
    "I"
    "V"
    " 7"
    " "
    "\x04"
    "20"
    "\x17";

}  // namespace corvella::testing
