// What zeltctl prints after a call: name=value lines ending in the status
// line, or one JSON object with the same names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeltctl {

// One output value of a call, named after the export's parameter.
struct OutputValue {
  std::string name;
  bool isBuffer = false;
  int64_t number = 0;          // integers
  std::vector<uint8_t> bytes;  // buffers
};

// Short name of a known status ("RPC_S_SERVER_UNAVAILABLE"), or "".
const char* statusName(uint32_t status);

// "name=value" lines, buffers in hex plus "name.text=..." when every byte is
// printable, then "status=N NAME".
std::string formatLines(const std::vector<OutputValue>& values, uint32_t status);

// The same as one JSON object; "status" is a number, "statusName" its name.
std::string formatJson(const std::vector<OutputValue>& values, uint32_t status);

}  // namespace zeltctl
