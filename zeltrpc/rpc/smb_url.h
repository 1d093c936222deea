// The checks that turn a binding's computer name and endpoint into the parts
// of an smb:// URL, and the SMB port to use. Nothing that reaches the URL can
// change its meaning (user, path, port, escapes).
#pragma once

#include <cstdint>
#include <string>

namespace zeltrpc::rpc {

// Pipe name of an ncacn_np endpoint ("\pipe\zeltrpc" -> "zeltrpc"), or
// RPC_S_INVALID_ENDPOINT_FORMAT (1706).
uint32_t smbPipeName(const std::string& endpoint, std::string& pipe);

// A computer name as libsmbclient takes it inside a URL ("NAME", "1.2.3.4",
// or an IPv6 address in brackets, given with or without them, in its
// ipv6-literal.net form); false for anything that would change the URL's
// meaning.
bool smbUrlHost(const std::string& host, std::string& out);

// zeltSetSmbPort's port when set, else ZELTRPC_SMB_PORT when it names a TCP
// port, else 445.
uint16_t smbPort();

}  // namespace zeltrpc::rpc
