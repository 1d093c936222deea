// Framing of PDUs read from a message-oriented byte source (a named pipe over
// SMB): the first `leastLength` bytes (at least the 16-byte common header),
// then exactly the rest of frag_length. Such a source must never be asked for
// more than the waiting message holds: libsmbclient turns a short read into
// another read for the rest, which waits for a message that never comes.
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
// send, or a frag_length below `leastLength`, is Io::Malformed and nothing
// after it is read.
Io readFramedPdu(ReadExactly read, std::vector<uint8_t>& buffer, Pdu& pdu,
                 size_t leastLength = kCommonHeaderSize);

}  // namespace zeltrpc::rpc
