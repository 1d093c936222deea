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

// What a status says about the call, from zeltrpc.h's list: ZELT_CALL_RAN,
// ZELT_CALL_NOT_RUN or ZELT_CALL_MAY_HAVE_RUN. A status the list does not
// name is the service's own answer: the call ran.
int statusOutcome(uint32_t status);

// "ran", "did not run" or "may have run".
const char* outcomeText(int outcome);

// "name=value" lines, buffers in hex plus "name.text=..." when every byte is
// printable, then "status=N NAME".
std::string formatLines(const std::vector<OutputValue>& values, uint32_t status);

// The same as one JSON object; "status" is a number, "statusName" its name,
// and for a status other than 0, "outcome": outcomeText(outcome), by
// default the status's own. `line`, when not 0, comes first as "line": the
// batch line the object answers.
std::string formatJson(const std::vector<OutputValue>& values, uint32_t status, unsigned line = 0,
                       int outcome = 0);

// {"error": "..."} (after "line" when not 0), for a command that made no call.
std::string formatJsonError(const std::string& message, unsigned line = 0);

}  // namespace zeltctl
