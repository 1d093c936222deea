#include "tools/signsim/samba_pipe.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "zeltrpc/rpc/pdu.h"

namespace signsim {

using zeltrpc::rpc::Clock;
using zeltrpc::rpc::Io;
using zeltrpc::rpc::Pdu;

namespace {

constexpr uint8_t kMagic[4] = {'N', 'P', 'A', 'M'};
constexpr size_t kMaxMessage = 65535;

uint32_t bigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
uint32_t littleEndian32(const uint8_t* p) {
  return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}
void putLittleEndian(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Waits until `fd` is ready for `events` or the deadline passes (no deadline:
// returns at once and lets the blocking call wait).
Io waitFor(int fd, short events, Clock::time_point deadline) {
  if (deadline == Clock::time_point{}) return Io::Ok;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Io::TimedOut;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 60000)));
    if (n > 0) return Io::Ok;
    if (n < 0 && errno != EINTR) return Io::Failed;
  }
}

// Reads exactly `count` bytes (the handshake only; the pipe data goes
// through SambaPipeStream's buffer).
Io readExactly(int fd, uint8_t* to, size_t count, Clock::time_point deadline) {
  while (count > 0) {
    if (Io w = waitFor(fd, POLLIN, deadline); w != Io::Ok) return w;
    const ssize_t n = ::recv(fd, to, count, 0);
    if (n == 0) return Io::Closed;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return errno == ECONNRESET ? Io::Closed : Io::Failed;
    }
    to += n;
    count -= static_cast<size_t>(n);
  }
  return Io::Ok;
}

Io sendEverything(int fd, const uint8_t* data, size_t size, Clock::time_point deadline) {
  while (size > 0) {
    if (Io w = waitFor(fd, POLLOUT, deadline); w != Io::Ok) return w;
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return errno == EPIPE || errno == ECONNRESET ? Io::Closed : Io::Failed;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return Io::Ok;
}

const char* describe(Io io) {
  switch (io) {
    case Io::Closed: return "smbd closed the connection";
    case Io::TimedOut: return "smbd sent no handshake in time";
    default: return "reading the handshake failed";
  }
}

}  // namespace

HandshakeCheck checkHandshake(std::span<const uint8_t> message) {
  HandshakeCheck check;
  // Length, magic, level and arm: 16 bytes before anything else is looked at.
  if (message.size() < 16) {
    check.why = "handshake of " + std::to_string(message.size()) + " bytes is too short";
    return check;
  }
  const uint32_t length = bigEndian32(message.data());
  if (length > kMaxHandshake || length != message.size() - 4) {
    check.why = "handshake length " + std::to_string(length) + " does not match its " +
                std::to_string(message.size() - 4) + " bytes";
    return check;
  }
  if (std::memcmp(message.data() + 4, kMagic, sizeof kMagic) != 0) {
    check.why = "handshake without the NPAM magic";
    return check;
  }
  const uint32_t level = littleEndian32(message.data() + 8);
  const uint32_t arm = littleEndian32(message.data() + 12);
  if (level != 7 && level != 8) {
    check.why = "handshake level " + std::to_string(level) + " is not 7 or 8";
    return check;
  }
  if (arm != level) {
    check.why = "handshake union arm " + std::to_string(arm) + " differs from its level";
    return check;
  }
  check.ok = true;
  check.level = level;
  return check;
}

std::vector<uint8_t> handshakeReply(uint32_t level) {
  std::vector<uint8_t> out;
  out.reserve(kHandshakeReplySize);
  for (uint8_t b : {0, 0, 0, static_cast<int>(kHandshakeReplySize - 4)}) out.push_back(b);
  for (uint8_t b : kMagic) out.push_back(b);
  putLittleEndian(out, level, 4);
  putLittleEndian(out, level, 4);                 // the union's arm
  putLittleEndian(out, 2, 2);                     // file type: message mode
  putLittleEndian(out, 0xff | 0x400 | 0x100, 2);  // device state: message mode, read mode
  putLittleEndian(out, 0, 4);                     // padding before the 8-byte number
  putLittleEndian(out, 4096, 8);                  // allocation size
  putLittleEndian(out, 0, 4);                     // status: NT_STATUS_OK
  return out;
}

bool answerHandshake(int fd, Clock::time_point deadline, std::string& note) {
  std::vector<uint8_t> message(4);
  if (Io io = readExactly(fd, message.data(), 4, deadline); io != Io::Ok) {
    note = describe(io);
    return false;
  }
  const uint32_t length = bigEndian32(message.data());
  if (length > kMaxHandshake) {
    note = "named pipe handshake refused: length " + std::to_string(length) + " is too big";
    return false;
  }
  message.resize(4 + length);
  if (Io io = readExactly(fd, message.data() + 4, length, deadline); io != Io::Ok) {
    note = describe(io);
    return false;
  }
  const HandshakeCheck check = checkHandshake(message);
  if (!check.ok) {
    note = "named pipe handshake refused: " + check.why;
    return false;
  }
  const auto reply = handshakeReply(check.level);
  if (sendEverything(fd, reply.data(), reply.size(), deadline) != Io::Ok) {
    note = "smbd closed the connection before the handshake's answer";
    return false;
  }
  note = "named pipe handshake from smbd accepted (level " + std::to_string(check.level) + ", " +
         std::to_string(message.size()) + " bytes), message mode";
  return true;
}

void MessageUnframer::feed(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
  size_t at = 0;
  while (at < bytes.size()) {
    if (m_left == 0) {
      m_lengthBytes[m_haveLength++] = bytes[at++];
      if (m_haveLength < 2) continue;
      m_haveLength = 0;
      m_left = size_t{m_lengthBytes[0]} | size_t{m_lengthBytes[1]} << 8;
      continue;  // an empty message carries nothing
    }
    const size_t take = std::min(m_left, bytes.size() - at);
    out.insert(out.end(), bytes.begin() + static_cast<ptrdiff_t>(at),
               bytes.begin() + static_cast<ptrdiff_t>(at + take));
    at += take;
    m_left -= take;
  }
}

void frameMessages(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
  size_t at = 0;
  while (at < bytes.size()) {
    size_t size = std::min(bytes.size() - at, kMaxMessage);
    Pdu pdu;
    if (bytes.size() - at >= zeltrpc::rpc::kCommonHeaderSize &&
        zeltrpc::rpc::parseHeader(bytes.subspan(at, zeltrpc::rpc::kCommonHeaderSize), pdu) &&
        pdu.fragLength <= bytes.size() - at)
      size = pdu.fragLength;
    out.push_back(static_cast<uint8_t>(size));
    out.push_back(static_cast<uint8_t>(size >> 8));
    out.insert(out.end(), bytes.begin() + static_cast<ptrdiff_t>(at),
               bytes.begin() + static_cast<ptrdiff_t>(at + size));
    at += size;
  }
}

SambaPipeStream::SambaPipeStream(int fd) : m_fd(fd), m_raw(kMaxMessage + 2) {}

SambaPipeStream::~SambaPipeStream() = default;

Io SambaPipeStream::sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) {
  m_out.clear();
  frameMessages(bytes, m_out);
  const Io sent = sendEverything(m_fd.get(), m_out.data(), m_out.size(), deadline);
  // The framing of a large reply is not kept for the next one: buffers of
  // a megabyte or more go back to the system.
  if (m_out.capacity() >= 1024 * 1024) std::vector<uint8_t>().swap(m_out);
  return sent;
}

Io SambaPipeStream::fill(size_t need, Clock::time_point deadline) {
  while (m_payload.size() - m_begin < need) {
    if (Io w = waitFor(m_fd.get(), POLLIN, deadline); w != Io::Ok) return w;
    const ssize_t n = ::recv(m_fd.get(), m_raw.data(), m_raw.size(), 0);
    if (n == 0) return Io::Closed;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return errno == ECONNRESET ? Io::Closed : Io::Failed;
    }
    m_unframer.feed(std::span<const uint8_t>(m_raw.data(), static_cast<size_t>(n)), m_payload);
  }
  return Io::Ok;
}

Io SambaPipeStream::readPdu(Pdu& pdu, Clock::time_point deadline) {
  // The PDU handed out last is no longer needed: drop it.
  m_payload.erase(m_payload.begin(), m_payload.begin() + static_cast<ptrdiff_t>(m_begin));
  m_begin = 0;
  if (Io r = fill(zeltrpc::rpc::kCommonHeaderSize, deadline); r != Io::Ok) return r;
  if (!zeltrpc::rpc::parseHeader(
          std::span<const uint8_t>(m_payload.data(), zeltrpc::rpc::kCommonHeaderSize), pdu))
    return Io::Malformed;
  if (Io r = fill(pdu.fragLength, deadline); r != Io::Ok) return r;
  pdu.bytes = std::span<const uint8_t>(m_payload.data(), pdu.fragLength);
  m_begin = pdu.fragLength;
  return Io::Ok;
}

bool SambaPipeStream::peerGone() const {
  pollfd p{m_fd.get(), POLLIN | POLLRDHUP, 0};
  return ::poll(&p, 1, 0) > 0;
}

}  // namespace signsim
