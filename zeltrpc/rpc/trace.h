// A diagnostic aid for integrators: with ZELTRPC_TRACE=1 in the environment
// when a connection opens, every PDU it sends and receives is written in hex
// to standard error (zeltctl --trace sets it). Nothing is exported for it.
#pragma once

#include <memory>

namespace zeltrpc::rpc {

class Carrier;

// `conn` itself, or when tracing is asked for, a carrier in front of it that
// writes each PDU before passing it on.
std::unique_ptr<Carrier> traceIfAsked(std::unique_ptr<Carrier> conn);

}  // namespace zeltrpc::rpc
