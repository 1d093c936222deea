// signsim behind Samba: smbd hands each open of \pipe\zeltrpc to the Unix
// socket <ncalrpc dir>/np/zeltrpc. Before any pipe data it sends its
// named-pipe handshake (a 4-byte big-endian length, then NDR: the magic
// "NPAM", a level, the union arm again, the caller's details) and waits for a
// fixed 36-byte answer that sets the pipe's mode. In message mode every
// message after that, either way, is a 2-byte little-endian length and 1 to
// 65535 bytes.
//
// Nothing of the handshake is used beyond its length, magic, level and arm:
// the caller's names and session info are smbd's business, and the socket's
// folder (0700, smbd's own) is what keeps anyone else out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "zeltrpc/rpc/transport.h"

namespace signsim {

// The handshake's body (after the 4-byte length) is refused above this size.
inline constexpr size_t kMaxHandshake = 256 * 1024;
inline constexpr size_t kHandshakeReplySize = 36;

struct HandshakeCheck {
  bool ok = false;
  uint32_t level = 0;  // 7 (Samba 4.16 to 4.18) or 8 (later versions)
  std::string why;     // when refused: what was wrong, for the log
};

// Checks a whole handshake: `message` is the 4-byte length and the body.
// Accepted only when the length matches the bytes given and is within
// kMaxHandshake, the magic is "NPAM", the level is 7 or 8 and the union arm
// repeats it.
HandshakeCheck checkHandshake(std::span<const uint8_t> message);

// The 36-byte answer for an accepted handshake of `level`: message mode, the
// device state and allocation size smbd's own pipe servers report, status 0.
std::vector<uint8_t> handshakeReply(uint32_t level);

// Reads the handshake from `fd` (bounded by `deadline`), checks it and sends
// the answer. Returns true when the pipe is ready; `note` says what happened
// either way (one log line, without the caller's details).
bool answerHandshake(int fd, zeltrpc::rpc::Clock::time_point deadline, std::string& note);

// Turns message-mode bytes (length-prefixed messages, in pieces of any size)
// back into the byte stream the client wrote. A zero-length message carries
// nothing and is skipped.
class MessageUnframer {
 public:
  // Takes `bytes` as they came from the socket; the payload they complete is
  // appended to `out`.
  void feed(std::span<const uint8_t> bytes, std::vector<uint8_t>& out);
  // Bytes of a message still expected (0 between messages).
  size_t pending() const { return m_left; }

 private:
  uint8_t m_lengthBytes[2] = {};
  int m_haveLength = 0;  // bytes of the length read so far
  size_t m_left = 0;     // payload bytes of the current message still to come
};

// Writes whole PDUs as one message each, all in one send. `bytes` must hold
// whole PDUs (each frag_length at most 65535, as every PDU's is); a tail that
// is not a whole PDU goes out in messages of up to 65535 bytes.
void frameMessages(std::span<const uint8_t> bytes, std::vector<uint8_t>& out);

// The pipe's carrier on the service's side after the handshake: PDUs in and
// out of message-mode framing. Owns the descriptor.
class SambaPipeStream final : public zeltrpc::rpc::Carrier {
 public:
  explicit SambaPipeStream(int fd);
  ~SambaPipeStream() override;
  SambaPipeStream(const SambaPipeStream&) = delete;
  SambaPipeStream& operator=(const SambaPipeStream&) = delete;

  zeltrpc::rpc::Io sendAll(std::span<const uint8_t> bytes,
                           zeltrpc::rpc::Clock::time_point deadline) override;
  zeltrpc::rpc::Io readPdu(zeltrpc::rpc::Pdu& pdu,
                           zeltrpc::rpc::Clock::time_point deadline) override;
  bool peerGone() const override;

 private:
  zeltrpc::rpc::Io fill(size_t need, zeltrpc::rpc::Clock::time_point deadline);

  base::UniqueFd m_fd;
  MessageUnframer m_unframer;
  std::vector<uint8_t> m_raw;      // one recv's worth of framed bytes
  std::vector<uint8_t> m_payload;  // unframed bytes; a PDU is read from m_begin
  size_t m_begin = 0;
  std::vector<uint8_t> m_out;  // framed reply, reused call after call
};

}  // namespace signsim
