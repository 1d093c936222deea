// Carriers of PDUs between client and service. `Carrier` is what the binding
// talks to; `PduStream` carries ncalrpc (a Unix-domain stream socket named
// after the endpoint in the per-user socket directory) and serves the stand-in
// service's clients; the ncacn_np carrier over SMB lives in smb_pipe.h.
//
// Socket directory: $ZELTRPC_DIR, else $XDG_RUNTIME_DIR/zeltrpc, else
// /tmp/zeltrpc-<uid>. A server creates it with mode 0700; client and server
// both refuse one that is not a directory, is owned by another user, or can be
// written by group or others.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "zeltrpc/rpc/pdu.h"

namespace zeltrpc::rpc {

using base::UniqueFd;

using Clock = std::chrono::steady_clock;

// The directory that holds the ncalrpc sockets: zeltSetSocketDir's when set,
// else from the environment.
std::string socketDirectory();

// Checks `dir` as described above; with `create`, makes the missing last
// component with mode 0700. Returns 0, RPC_S_ACCESS_DENIED (5) for a directory
// that fails the checks, RPC_S_SERVER_UNAVAILABLE (1722) when it is missing.
uint32_t checkSocketDirectory(const std::string& dir, bool create, std::string* why = nullptr);

// An endpoint usable as a socket name: 1 to 53 characters, no '/', no '\',
// not "." or "..". Returns 0 or RPC_S_INVALID_ENDPOINT_FORMAT (1706).
uint32_t checkEndpointName(const std::string& endpoint);

// Full socket path for an endpoint, or 1706 when it does not fit sun_path.
uint32_t socketPath(const std::string& dir, const std::string& endpoint, std::string& path);

// The call time-out: zeltSetTimeout's when set, else from
// ZELTRPC_TIMEOUT_MS: a whole number of milliseconds
// from 1 to 86400000; unset or empty: 10000. Any other value is said once on
// standard error and the default used.
std::chrono::milliseconds callTimeout();

// Writes "zeltrpc: <text>" as one line to standard error, once per process
// for each distinct text (the first 32 distinct texts are remembered).
void diagnose(const std::string& text);

// Descriptors of the client's connections, so that a forked child can close
// its copies of them (the connections stay its parent's). Up to 64 are kept;
// untracking one that is not tracked does nothing.
void trackConnectionFd(int fd);
void untrackConnectionFd(int fd);

// In a child just after fork(): closes the tracked descriptors and makes the
// transport's own locks usable again. The child's only thread calls it.
void transportAfterForkInChild();

// Connects to the socket at `path` within `timeout`. Returns the descriptor
// in `fd` and 0, or RPC_S_SERVER_UNAVAILABLE (1722).
uint32_t connectUnix(const std::string& path, std::chrono::milliseconds timeout, int& fd);

// Result of one I/O step on a connection. `Unread`: the peer closed the
// connection while bytes this side wrote were still waiting unread in it (a
// Unix-domain stream socket reports that as ECONNRESET), so it cannot have
// taken in a whole request written since its last answer.
enum class Io { Ok, Closed, TimedOut, Malformed, Failed, Unread };

// Outcome of writing a request and reading the first PDU of its answer.
struct SentAndRead {
  Io sent = Io::Failed;
  Io read = Io::Failed;  // meaningful only when `sent` is Io::Ok
};

// One open connection to a service. Deadlines bound every blocking step; a
// default-constructed deadline (time_point{}) means no limit.
class Carrier {
 public:
  virtual ~Carrier() = default;
  // Writes the bytes of one or more whole PDUs (a message carrier writes
  // each PDU as a message of its own). Io::Closed only when the peer is gone
  // and nothing of `bytes` went out; any result but Io::Ok means the peer
  // did not get all of `bytes` (a carrier that cannot tell says Io::Ok, and
  // its next read fails).
  virtual Io sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) = 0;
  // Reads one whole PDU; its bytes stay valid until the next read.
  virtual Io readPdu(Pdu& pdu, Clock::time_point deadline) = 0;
  // The same for a PDU that the caller knows to be at least `leastLength`
  // bytes long (kCommonHeaderSize or more): a carrier that pays a round trip
  // for each read takes that many bytes in its first one, which is then the
  // only one for a PDU of exactly that length. A PDU shorter than that is
  // Io::Malformed, or, on a message carrier, waits for the deadline.
  virtual Io readPduAtLeast(Pdu& pdu, Clock::time_point deadline, size_t leastLength) {
    (void)leastLength;
    return readPdu(pdu, deadline);
  }
  // sendAll, then (when it succeeded) readPduAtLeast: one step for a carrier
  // whose every step is handed to a thread of its own. A carrier that cannot
  // tell whether its write got through before the deadline says Io::Ok for
  // `sent` and Io::TimedOut for `read`.
  virtual SentAndRead sendAndRead(std::span<const uint8_t> bytes, Pdu& pdu,
                                  Clock::time_point deadline, size_t leastLength) {
    SentAndRead r;
    r.sent = sendAll(bytes, deadline);
    if (r.sent == Io::Ok) r.read = readPduAtLeast(pdu, deadline, leastLength);
    return r;
  }
  // True when the connection is known to be of no further use. Does not
  // block and costs no round trip; false when it cannot tell (a peer that
  // closed the connection between calls shows when the next request is
  // written: sendAll says Io::Closed).
  virtual bool peerGone() const = 0;
};

// A stream socket carrying PDUs, with a read buffer so that a reply usually
// takes one recv. Owns the descriptor. Deadlines bound every blocking step:
// SO_RCVTIMEO/SO_SNDTIMEO are adjusted only when the remaining time is
// shorter than the value already set. A default-constructed deadline
// (time_point{}) means no limit.
class PduStream final : public Carrier {
 public:
  // `presetTimeout`: the SO_RCVTIMEO/SO_SNDTIMEO already set on fd (0: none).
  explicit PduStream(int fd, std::chrono::microseconds presetTimeout = {});
  ~PduStream() override;
  PduStream(const PduStream&) = delete;
  PduStream& operator=(const PduStream&) = delete;

  int fd() const { return m_fd.get(); }
  // Shuts the socket down in both directions (wakes a blocked reader).
  void shutdown();

  // implements Carrier ------------------------------------------------
  Io sendAll(std::span<const uint8_t> bytes, Clock::time_point deadline) override;
  Io readPdu(Pdu& pdu, Clock::time_point deadline) override;
  // True when bytes beyond the last reply wait in the read buffer (the
  // stream is out of step). No system call: a closed peer shows on the next
  // write.
  bool peerGone() const override;

 private:
  bool armTimeout(int option, Clock::time_point deadline, std::chrono::microseconds& current);
  Io fill(size_t need, Clock::time_point deadline);

  UniqueFd m_fd;
  std::vector<uint8_t> m_buf;
  size_t m_begin = 0;
  size_t m_end = 0;
  std::chrono::microseconds m_rcvTimeout{0};
  std::chrono::microseconds m_sndTimeout{0};
};

}  // namespace zeltrpc::rpc
