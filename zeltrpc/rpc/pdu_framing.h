// Framing of PDUs read from a message-oriented byte source (a named pipe over
// SMB): the 16-byte common header first, then exactly frag_length - 16 more
// bytes. Such a source must never be asked for more than the waiting message
// holds: some servers hold a read that asks for more until their time-out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zeltrpc/rpc/binding.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

// Fills `count` bytes at `to` completely, or says why it could not.
using ReadExactly = FunctionRef<Io(uint8_t* to, size_t count)>;

// Reads one whole PDU into `buffer` (resized to it) and decodes its header
// into `pdu`; `pdu.bytes` points into `buffer`. A header no peer of ours can
// send is Io::Malformed and nothing after it is read.
Io readFramedPdu(ReadExactly read, std::vector<uint8_t>& buffer, Pdu& pdu);

}  // namespace zeltrpc::rpc
