// Making one call of the sign service through libZeltRpc's exports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zeltctl/command_line.h"
#include "tools/zeltctl/output.h"

namespace zeltctl {

// The process's connection through the library, opened by the first call
// that needs it and kept for the next ones (a batch).
class Connection {
 public:
  explicit Connection(std::string server) : m_server(std::move(server)) {}
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // 0 when connected (now or before), else the connect's status; a failed
  // connect is tried again by the next call.
  uint32_t open();

 private:
  std::string m_server;
  bool m_open = false;
};

// Calls, over `connection` (connecting first when it is not open), the
// export that reaches call.opnum with the given arguments (input buffers
// already read: no file left in call.buffers), and returns the status: the
// connect's when it failed, else the call's. On status 0, and on 234
// (ERROR_MORE_DATA: the service's own answer, with the buffers cut to their
// capacity), `outputs` receives the output values in argument order;
// otherwise it stays empty (out storage carries no defined value after a
// failed call). False, with `error` set, when the library lacks the export.
// `connectFailed`, when given, tells whether the status is the connect's:
// the call itself was then not made.
bool makeCall(const Invocation& call, Connection& connection, uint32_t& status,
              std::vector<OutputValue>& outputs, std::string& error, bool* connectFailed = nullptr);

}  // namespace zeltctl
