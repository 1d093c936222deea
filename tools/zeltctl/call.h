// Making one call of the sign service through libZeltRpc's exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zeltctl/command_line.h"
#include "tools/zeltctl/output.h"

namespace zeltctl {

// Connects to call.server, calls the export that reaches call.opnum with the
// given arguments (input buffers already read: no file left in
// call.buffers), disconnects, and returns the status: the connect's when it
// failed, else the call's. On status 0 `outputs` receives the output values
// in argument order; otherwise it stays empty (out storage carries no
// defined value after a failed call). False, with `error` set, when the
// library lacks the export.
bool makeCall(const Invocation& call, uint32_t& status, std::vector<OutputValue>& outputs,
              std::string& error);

}  // namespace zeltctl
