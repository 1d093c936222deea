// The service log: one line per event on a descriptor (standard output).
// A line goes out at once while a pipe or file has room for it; else, and
// always on a terminal or socket, a thread of the log's own writes it. So a
// reader that stops reading (a full pipe, a stalled terminal) never holds up
// a call: once kMaxQueuedBytes wait, further lines are dropped and counted,
// and when the reader takes lines again the log says how many it lost.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace signsim {

class LogWriter {
 public:
  // Bytes of lines that may wait for the reader before lines are dropped.
  static constexpr size_t kMaxQueuedBytes = 256 * 1024;

  // Writes to `fd`, which stays the caller's. With `times`, each line starts
  // with the time it was logged (UTC, milliseconds), for a reader that does
  // not stamp lines itself.
  LogWriter(int fd, bool times);
  // Unless finish() was called, gives the writer at most a second to write
  // what waits.
  ~LogWriter();
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  enum class Keep {
    IfRoom,  // dropped (and counted) while kMaxQueuedBytes wait
    Always,  // queued past that: the service's own few lines (listening, stopped)
  };
  // Writes "signsim: <line>" with every byte of `line` that is not printable
  // ASCII escaped (printableText), so one call is always one line. Never
  // waits for the descriptor; thread-safe.
  void write(std::string_view line, Keep keep = Keep::IfRoom);

  // Waits up to `limit` until every queued line, and the count of dropped
  // ones, has been written. False when the reader still has not taken them:
  // the writer thread may then stay blocked until the process ends.
  bool finish(std::chrono::milliseconds limit);

  // Lines dropped so far because the reader did not keep up.
  uint64_t dropped() const;

 private:
  struct State;
  std::shared_ptr<State> m_state;  // shared with the writer thread, which may outlive this
};

// True when $JOURNAL_STREAM names the descriptor `fd`: its lines go to the
// journal, which stamps them with the time itself.
bool isJournalStream(int fd);

}  // namespace signsim
