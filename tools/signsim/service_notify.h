// Readiness and status for a service manager that started the service with a
// notification socket ($NOTIFY_SOCKET: a datagram socket's path, or an
// abstract name after '@'), in the manager's plain-text protocol
// ("READY=1", "STOPPING=1", "STATUS=..."), without a library for it.
#pragma once

#include <string_view>

namespace signsim {

// Sends `state` (newline-separated assignments) to $NOTIFY_SOCKET. False
// when the variable is unset or names no usable socket, or the send failed;
// the service runs on either way.
bool notifyServiceManager(std::string_view state);

}  // namespace signsim
