// SignServer: the stand-in sign service listening on an ncalrpc endpoint
// (a Unix-domain socket in the socket directory) and, when asked, on a TCP
// socket as well, so that an SMB server forwarding a named pipe to a socket
// can put it behind \pipe\zeltrpc; or, for a Samba smbd on the same computer,
// on the socket smbd hands the pipe's opens to (samba_pipe.h). One thread accepts, one thread
// serves each client. Tests embed it; main.cpp wraps it as `signsim`.
//
// Limits: out of descriptors, the acceptor closes the connection that has
// waited longest (for its next call, or for the next fragment of a call not
// yet complete) to make room for each new one (a client of the library opens
// a new connection at its next call without a word), else waits until a
// connection ends; it says so once per shortage.
//
// Requests still arriving in fragments are held to kMaxUnfinishedBytes
// together, counted as their bytes arrive (what a first fragment announces
// is no claim on that). A call whose next fragment does not come within
// kFragmentTimeout is closed. A fragment that would pass the limit waits for
// room; meanwhile the unfinished call that has waited longest for its next
// fragment (at least kStalledAfter) is closed to make that room, so one
// largest request is always taken while stalled ones exist. A fragment that
// finds no room within kRoomWait closes its own connection.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "tools/signsim/instance_lock.h"
#include "tools/signsim/sign_service.h"
#include "zeltrpc/sign_interface.h"

namespace signsim {

struct Options {
  std::string dir;  // empty: the runtime's socket directory
  std::string endpoint = "zeltrpc";
  bool bigEndian = false;             // every PDU in big-endian representation
  int faultOpnum = -1;                // answer this opnum with a fault
  uint32_t faultStatus = 0x1C000012;  // nca_s_fault_unspec
  int delayMs = 0;                    // wait before each reply
  int dropAfter = -1;                 // answer N calls per connection, then close it
  int loseReplyAfter = -1;   // answer N calls per connection, run the next and close unanswered
  bool cutReply = false;     // ...after sending 100 bytes of a reply whose header claims 65535
  uint16_t maxFrag = 65535;  // largest fragment sent and accepted (the client may ask less)
  uint32_t statusFill = 0;   // GetStatus text padded to this many bytes
  std::string tcp;           // "HOST:PORT", ":PORT" or "PORT" (loopback); empty: none
  // smbd's `ncalrpc dir`: serve \pipe\<endpoint> for smbd on its socket
  // <dir>/np/<endpoint> (the named-pipe handshake first, then message mode)
  // instead of the ncalrpc endpoint; `dir` is ignored.
  std::string sambaPipe;
  // Keep the last request stub of each opnum and the last call for
  // lastRequestStub() and lastCall() (tests). These are copies of up to
  // 32 MiB each; the signsim program keeps none.
  bool recordCalls = true;
};

// Receives one log line (no newline). Called from the connection threads,
// several at once when clients overlap: the sink must be thread-safe.
using LogSink = std::function<void(const std::string&)>;

// Twice the largest request the client library sends: one such request is
// always taken, whatever else is arriving (stalled requests make room for it).
inline constexpr size_t kMaxUnfinishedBytes = 2 * zeltrpc::kMaxRequestStub;
// Longest wait for the next fragment of a call that has begun.
inline constexpr std::chrono::seconds kFragmentTimeout{5};
// An unfinished call that has waited this long for its next fragment is
// closed when a fragment of another call finds no room.
inline constexpr std::chrono::seconds kStalledAfter{1};
// Longest wait of a fragment for room among the unfinished requests.
inline constexpr std::chrono::seconds kRoomWait{3};

class SignServer {
 public:
  explicit SignServer(Options options, LogSink log = {});
  ~SignServer();
  SignServer(const SignServer&) = delete;
  SignServer& operator=(const SignServer&) = delete;

  // Creates the directory if needed, listens, starts serving. On failure
  // returns false with a message in `error`.
  bool start(std::string& error);
  // Stops accepting, closes every connection, joins the threads and removes
  // the socket. Safe to call twice.
  void stop();

  const std::string& socketPath() const { return m_path; }
  // "ADDRESS:PORT" of the TCP socket (the port chosen when 0 was asked for);
  // empty without one.
  const std::string& tcpAddress() const { return m_tcpAddress; }
  uint16_t tcpPort() const { return m_tcpPort; }
  SignService& service() { return m_service; }

  // Observation for tests: the last request stub received per opnum, the
  // number of calls answered, and the connections currently open.
  std::vector<uint8_t> lastRequestStub(uint16_t opnum);
  CallArgs lastCall();  // in items of the last call the service ran
  uint64_t callCount() const { return m_calls.load(); }  // requests handled
  int openConnections() const { return m_open.load(); }
  // Bytes held for requests whose fragments are still arriving.
  size_t unfinishedBytes() const { return m_unfinished.load(); }

 private:
  struct Client;
  struct Connection;
  bool listenTcp(std::string& error);
  void acceptLoop();
  // Takes one waiting connection; false when the process is out of
  // descriptors (or threads) for it.
  bool acceptOne(int listenFd, bool tcp);
  void serve(const std::shared_ptr<Client>& client);
  // Joins the threads of connections that have ended (with m_mutex held).
  void reapFinished();
  // Shuts down the connection that has waited longest for its next call
  // or fragment; false when none waits.
  bool shedLongestIdle();
  // Counts `bytes` more of `client`'s unfinished request against
  // kMaxUnfinishedBytes, waiting for room (and making it, see above) up to
  // kRoomWait; false (nothing counted) when none was found.
  bool holdUnfinished(Client& client, size_t bytes);
  // Closes another connection whose unfinished call has waited at least
  // kStalledAfter for its next fragment, the one that waited longest; its id,
  // or 0 when there is none.
  uint32_t shedLongestStalled(const Client& keep);
  // Gives back `bytes` counted by holdUnfinished.
  void releaseUnfinished(size_t bytes);
  void log(const std::string& line);

  Options m_options;
  LogSink m_log;
  SignService m_service;
  std::string m_path;
  base::UniqueFd m_listenFd;
  base::UniqueFd m_tcpFd;
  std::string m_tcpAddress;
  uint16_t m_tcpPort = 0;
  base::UniqueFd m_wakeRead, m_wakeWrite;    // stop() wakes the acceptor
  base::UniqueFd m_endedRead, m_endedWrite;  // so does each connection that ends
  std::thread m_acceptor;
  std::mutex m_mutex;
  std::vector<std::shared_ptr<Client>> m_clients;
  std::map<uint16_t, std::vector<uint8_t>> m_lastStubs;
  CallArgs m_lastCall;
  std::atomic<uint64_t> m_calls{0};
  std::atomic<int> m_open{0};
  std::atomic<size_t> m_unfinished{0};  // written with m_budgetMutex held
  std::mutex m_budgetMutex;
  std::condition_variable m_budgetFreed;
  std::chrono::steady_clock::time_point m_shortageNoted{};  // the acceptor's
  std::atomic<uint32_t> m_nextClientId{1};
  InstanceLock m_lock;  // held from start() to stop(): the endpoint is ours
  bool m_running = false;
};

}  // namespace signsim
