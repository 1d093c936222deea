#include "tools/signsim/log_writer.h"

#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#include "tools/signsim/log_text.h"

namespace signsim {

namespace {

// A pipe (or FIFO) that polls writable takes PIPE_BUF bytes without
// blocking, and a file takes any write; a terminal or a socket may take
// part of a line and block for the rest.
bool writesWithoutBlocking(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISREG(st.st_mode));
}

}  // namespace

struct LogWriter::State {
  explicit State(int fd, bool times) : fd(fd), times(times), direct(writesWithoutBlocking(fd)) {}
  const int fd;
  const bool times;
  const bool direct;  // lines may be written by the thread that logs them
  std::mutex mutex;
  std::condition_variable wake;     // lines queued, or the end
  std::condition_variable drained;  // the queue was written
  std::string queued;               // whole lines waiting for the writer
  bool writing = false;             // the writer holds lines taken from `queued`
  bool ending = false;
  bool finished = false;            // finish() was called
  std::atomic<bool> broken{false};  // the descriptor failed (its reader is gone): lines go nowhere
  uint64_t dropped = 0;             // lines dropped since the last note about it
  uint64_t droppedTotal = 0;

  // The prefix of a line logged now.
  std::string prefix() const {
    if (!times) return "signsim: ";
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    ::gmtime_r(&now.tv_sec, &utc);
    char text[48];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03ldZ signsim: ", now.tv_nsec / 1000000);
    return text;
  }
  // Queues the note about dropped lines (mutex held).
  void queueDroppedNote() {
    if (dropped == 0) return;
    queued +=
        prefix() + std::to_string(dropped) + " log lines dropped: standard output was not read\n";
    dropped = 0;
  }
  void run();
};

void LogWriter::State::run() {
  std::unique_lock lock(mutex);
  std::string lines;
  for (;;) {
    wake.wait(lock, [&] { return !queued.empty() || ending; });
    if (queued.empty()) return;
    lines.swap(queued);
    writing = true;
    lock.unlock();
    for (size_t at = 0; at < lines.size() && !broken;) {
      const ssize_t n = ::write(fd, lines.data() + at, lines.size() - at);
      if (n > 0) {
        at += static_cast<size_t>(n);
      } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
        broken = true;  // EPIPE and the like: nobody will read the log again
      }
    }
    lines.clear();
    lock.lock();
    writing = false;
    if (queued.empty()) drained.notify_all();
  }
}

LogWriter::LogWriter(int fd, bool times) : m_state(std::make_shared<State>(fd, times)) {
  // The thread keeps the state alive: it may still be blocked in write()
  // when this object goes.
  std::thread([state = m_state] { state->run(); }).detach();
}

LogWriter::~LogWriter() {
  if (!m_state->finished) finish(std::chrono::seconds(1));
  std::lock_guard lock(m_state->mutex);
  m_state->ending = true;
  m_state->wake.notify_all();
}

void LogWriter::write(std::string_view line, Keep keep) {
  State& s = *m_state;
  std::string text = s.prefix() + printableText(line) + '\n';
  std::lock_guard lock(s.mutex);
  if (s.broken || s.ending) return;
  if (keep == Keep::IfRoom && s.queued.size() + text.size() > kMaxQueuedBytes) {
    ++s.dropped;
    ++s.droppedTotal;
    return;
  }
  s.queueDroppedNote();  // where the gap is, once there is room again
  s.queued += text;
  // With nothing ahead of it and room in the pipe or file, the line goes
  // out now, before the call that logged it answers (a reader that watches
  // the log sees each call's line before its client sees the reply).
  if (!s.direct || s.writing || s.queued.size() > PIPE_BUF) {
    s.wake.notify_all();
    return;
  }
  pollfd p{s.fd, POLLOUT, 0};
  const ssize_t n = ::poll(&p, 1, 0) == 1 && (p.revents & POLLOUT)
                        ? ::write(s.fd, s.queued.data(), s.queued.size())
                        : -1;
  if (n > 0) {
    s.queued.erase(0, static_cast<size_t>(n));
  } else if (n < 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
    s.broken = true;  // nobody will read the log again
    s.queued.clear();
  }
  if (!s.queued.empty()) s.wake.notify_all();
}

bool LogWriter::finish(std::chrono::milliseconds limit) {
  State& s = *m_state;
  std::unique_lock lock(s.mutex);
  s.finished = true;
  s.queueDroppedNote();
  s.wake.notify_all();
  return s.drained.wait_for(lock, limit,
                            [&] { return (s.queued.empty() && !s.writing) || s.broken; });
}

uint64_t LogWriter::dropped() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->droppedTotal;
}

bool isJournalStream(int fd) {
  const char* stream = std::getenv("JOURNAL_STREAM");
  struct stat st {};
  if (!stream || ::fstat(fd, &st) != 0) return false;
  unsigned long long dev = 0, ino = 0;
  char end = 0;
  return std::sscanf(stream, "%llu:%llu%c", &dev, &ino, &end) == 2 &&
         dev == static_cast<unsigned long long>(st.st_dev) &&
         ino == static_cast<unsigned long long>(st.st_ino);
}

}  // namespace signsim
