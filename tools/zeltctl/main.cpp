// zeltctl: makes calls of the sign service from the command line, through
// libZeltRpc: one per run, or one per line of a batch over one connection.
// The procedure table drives its commands, arguments and output.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/zeltctl/call.h"
#include "tools/zeltctl/command_line.h"
#include "tools/zeltctl/output.h"
#include "zeltrpc.h"
#include "zeltrpc/rpc/status.h"
#include "zeltrpc/sign_interface.h"

#ifndef ZELTCTL_VERSION
#define ZELTCTL_VERSION "unknown"
#endif

namespace {

// Exit statuses; a batch exits with the highest of its commands'.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;      // the service answered a status; no input; no output
constexpr int kExitUsage = 2;       // a usage error: nothing was called
constexpr int kExitNotRun = 3;      // the call certainly did not run
constexpr int kExitMayHaveRun = 4;  // the call may have run

int exitFor(uint32_t status, int outcome) {
  if (status == 0) return kExitOk;
  switch (outcome) {
    case ZELT_CALL_NOT_RUN: return kExitNotRun;
    case ZELT_CALL_MAY_HAVE_RUN: return kExitMayHaveRun;
    default: return kExitFailed;
  }
}

// A call that did not run for a reason that may pass by itself: nobody
// answered, the service was busy, the request could not be sent; or the
// connect before it did not finish in time (the call was not made then).
bool worthRepeating(uint32_t status, bool connectFailed) {
  return status == zeltrpc::rpc::kServerUnavailable || status == zeltrpc::rpc::kServerTooBusy ||
         status == zeltrpc::rpc::kCallFailedDne ||
         (connectFailed && status == zeltrpc::rpc::kCallCancelled);
}

// The bound of the whole run (--max-time). Output is written under `mutex`,
// so that the bound, when it runs out, ends the run between two writes: it
// says so, and the exit status tells whether a call was under way (it may
// have run) or the rest did not run. No call of the library can be cut
// short from outside, so the bound ends the process.
struct RunBound {
  std::mutex mutex;
  std::condition_variable wake;
  bool finished = false;
  bool inCall = false;  // a call's request may be out
  int worst = kExitOk;
  bool json = false;
  unsigned line = 0;  // the batch line under way, 0 outside a batch
  uint32_t ms = 0;
};
RunBound g_bound;

void watchRunBound(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(g_bound.mutex);
  if (g_bound.wake.wait_until(lock, deadline, [] { return g_bound.finished; })) return;
  const std::string message =
      "--max-time " + std::to_string(g_bound.ms) + " ms ran out" +
      (g_bound.inCall ? " during a call, which may have run" : "; what was not called did not run");
  std::fflush(stdout);
  std::fprintf(stderr, "zeltctl: %s\n", message.c_str());
  if (g_bound.json) std::fputs(zeltctl::formatJsonError(message, g_bound.line).c_str(), stdout);
  std::fflush(stdout);
  std::_Exit(std::max(g_bound.worst, g_bound.inCall ? kExitMayHaveRun : kExitNotRun));
}

// "12:34:56.789012 " of the wall clock, for trace lines.
std::string traceTime() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%06ld", local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<long>(now.tv_nsec / 1000));
  return text;
}

// Reads all of `path` ("-": standard input), at most kMaxSize bytes.
bool readInput(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  const bool standardInput = path == "-";
  FILE* f = standardInput ? stdin : std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  bytes.clear();
  uint8_t chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && bytes.size() <= zeltctl::kMaxSize)
    bytes.insert(bytes.end(), chunk, chunk + n);
  const bool failed = std::ferror(f) != 0;
  const int readErrno = errno;
  if (!standardInput) std::fclose(f);
  if (failed) {
    error = "cannot read " + path + ": " + std::strerror(readErrno);
    return false;
  }
  if (bytes.size() > zeltctl::kMaxSize) {
    error = path + " holds more than " + std::to_string(zeltctl::kMaxSize) + " bytes";
    return false;
  }
  return true;
}

// Flushes standard output. False, after saying so on standard error, when
// any of the output could not be written (a full disk, a closed reader): a
// result that was not delivered is a failure, however the call went.
bool outputWritten(const std::string& where) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && !std::ferror(stdout)) return true;
  const int e = errno;
  std::fprintf(stderr, "zeltctl: %scannot write the output%s%s\n", where.c_str(), e ? ": " : "",
               e ? std::strerror(e) : "");
  return false;
}

// Reads one line of `in` into `line`, without its newline, reading no more
// than kMaxSize bytes of it (the limit of an @FILE), so that endless input
// without a newline cannot take all memory.
enum class LineRead { Line, End, TooLong };
LineRead readLine(FILE* in, std::string& line) {
  line.clear();
  int c = 0;
  while ((c = getc_unlocked(in)) != EOF) {
    if (c == '\n') return LineRead::Line;
    if (line.size() == zeltctl::kMaxSize) return LineRead::TooLong;
    line.push_back(static_cast<char>(c));
  }
  return line.empty() ? LineRead::End : LineRead::Line;
}

int usageError(const std::string& message, int opnum, bool json) {
  std::fprintf(stderr, "zeltctl: %s\n%s", message.c_str(), zeltctl::usageText(opnum).c_str());
  if (json) std::fputs(zeltctl::formatJsonError(message).c_str(), stdout);
  return kExitUsage;
}

// Writes `text` to standard output and takes `result` into the run's worst,
// one step as far as the run's bound is concerned; the call, if one was
// under way, is over.
void emit(const std::string& text, int result) {
  std::lock_guard lock(g_bound.mutex);
  std::fputs(text.c_str(), stdout);
  g_bound.worst = std::max(g_bound.worst, result);
  g_bound.inCall = false;
}

// The output block of a command that made no call: "error=..." or a JSON
// object with "error", so that a batch's output keeps one block per line.
std::string errorBlock(const std::string& message, bool json, unsigned line) {
  if (json) return zeltctl::formatJsonError(message, line);
  std::string clean;
  for (char c : message) clean.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
  return "error=" + clean + "\n";
}

// Reads the input files of `call`, makes it over `connection` and prints its
// block. `where` prefixes messages on standard error ("" or "line N: ");
// `line` is the batch line (0: none). `stdinTaken`: standard input holds the
// commands, so @- cannot be read. A call that did not run for a passing
// reason is made again, up to call.retries times, after a pause that
// doubles each time.
int runCall(zeltctl::Invocation& call, zeltctl::Connection& connection, const std::string& where,
            unsigned line, bool stdinTaken) {
  const bool batch = line != 0;
  for (auto& buffer : call.buffers) {
    if (!buffer.file) continue;
    std::string error;
    if (stdinTaken && *buffer.file == "-")
      error = "@- cannot be read: standard input holds the commands";
    else if (readInput(*buffer.file, buffer.bytes, error))
      error.clear();
    if (!error.empty()) {
      std::fprintf(stderr, "zeltctl: %s%s\n", where.c_str(), error.c_str());
      emit(batch || call.json ? errorBlock(error, call.json, line) : "", kExitFailed);
      return kExitFailed;
    }
    buffer.file.reset();
  }

  const char* procedure = zeltrpc::kProcedures[call.opnum].name;
  uint32_t status = 0;
  bool connectFailed = false;
  int outcome = ZELT_CALL_RAN;
  std::vector<zeltctl::OutputValue> outputs;
  std::chrono::milliseconds pause(500);
  for (uint32_t attempt = 0;; ++attempt) {
    outputs.clear();
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    // The connect first, outside the call: a run bound that ends it says
    // that the call did not run.
    status = connection.open();
    connectFailed = status != 0;
    if (!connectFailed) {
      std::lock_guard lock(g_bound.mutex);
      g_bound.inCall = true;
    }
    if (!connectFailed && !zeltctl::makeCall(call, connection, status, outputs, error)) {
      std::fprintf(stderr, "zeltctl: %s%s\n", where.c_str(), error.c_str());
      emit(batch || call.json ? errorBlock(error, call.json, line) : "", kExitFailed);
      return kExitFailed;
    }
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    // When the connect failed, its status stands, and the call was not made.
    outcome = connectFailed ? ZELT_CALL_NOT_RUN : zeltctl::statusOutcome(status);
    if (call.trace)
      std::fprintf(stderr, "zeltctl: %s %s%s: %sstatus %u %s (%s) after %lld ms\n",
                   traceTime().c_str(), where.c_str(), procedure,
                   connectFailed ? "not called, the connect's " : "", status,
                   zeltctl::statusName(status), zeltctl::outcomeText(outcome),
                   static_cast<long long>(took.count()));
    if (!worthRepeating(status, connectFailed) || attempt >= call.retries) break;
    {
      std::lock_guard lock(g_bound.mutex);
      g_bound.inCall = false;  // it did not run
    }
    std::fprintf(stderr,
                 "zeltctl: %sstatus %u %s: the call did not run; repeat %u of %u in %lld ms\n",
                 where.c_str(), status, zeltctl::statusName(status), attempt + 1, call.retries,
                 static_cast<long long>(pause.count()));
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(8000));
  }
  const std::string text = call.json ? zeltctl::formatJson(outputs, status, line, outcome)
                                     : zeltctl::formatLines(outputs, status);
  const int result = exitFor(status, outcome);
  emit(text, result);
  if (status == zeltrpc::rpc::kMoreData)
    std::fprintf(stderr,
                 "zeltctl: %sthe answer does not fit in --size %u bytes and was cut; give a "
                 "larger --size (at most %u)\n",
                 where.c_str(), call.size, zeltctl::kMaxSize);
  return result;
}

// One call per line of the batch file, over one connection; the exit status
// is the worst of the lines'. A line over kMaxSize bytes, or output that
// cannot be written, ends the batch.
int runBatch(const zeltctl::Invocation& settings, zeltctl::Connection& connection) {
  const std::string& path = *settings.batchFile;
  const bool standardInput = path == "-";
  FILE* in = standardInput ? stdin : std::fopen(path.c_str(), "r");
  if (!in) {
    const std::string error = "cannot open " + path + ": " + std::strerror(errno);
    std::fprintf(stderr, "zeltctl: %s\n", error.c_str());
    if (settings.json) emit(zeltctl::formatJsonError(error), kExitFailed);
    return kExitFailed;
  }
  int worst = kExitOk;
  std::string line;
  LineRead read = LineRead::Line;
  for (unsigned number = 1; (read = readLine(in, line)) != LineRead::End; ++number) {
    const std::string where = "line " + std::to_string(number) + ": ";
    {
      std::lock_guard lock(g_bound.mutex);
      g_bound.line = number;
    }
    if (read == LineRead::TooLong) {
      const std::string error = "longer than " + std::to_string(zeltctl::kMaxSize) + " bytes";
      std::fprintf(stderr, "zeltctl: %s%s; the rest of %s is not read\n", where.c_str(),
                   error.c_str(), standardInput ? "standard input" : path.c_str());
      emit(errorBlock(error, settings.json, number), kExitFailed);
      outputWritten(where);
      worst = std::max(worst, kExitFailed);
      break;
    }
    zeltctl::ParseResult parsed = zeltctl::parseBatchLine(line, settings);
    int result = kExitOk;
    switch (parsed.kind) {
      case zeltctl::ParseResult::Empty: continue;
      case zeltctl::ParseResult::Run:
        result = runCall(parsed.call, connection, where, number, standardInput);
        break;
      case zeltctl::ParseResult::Help: emit(zeltctl::helpText(parsed.helpOpnum), kExitOk); break;
      default:  // a usage error
        std::fprintf(stderr, "zeltctl: %s%s\n", where.c_str(), parsed.error.c_str());
        result = kExitUsage;
        emit(errorBlock(parsed.error, settings.json, number), result);
        break;
    }
    if (result > worst) worst = result;
    if (!outputWritten(where)) {
      worst = std::max(worst, kExitFailed);
      break;
    }
  }
  const bool failed = std::ferror(in) != 0;
  if (!standardInput) std::fclose(in);
  if (failed) {
    std::fprintf(stderr, "zeltctl: cannot read %s\n", path.c_str());
    if (worst < kExitFailed) worst = kExitFailed;
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that went away (zeltctl ... | head -1) shows as a write that
  // fails, which ends the run with 1 as any undelivered output does, not as
  // death by SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const char* envServer = std::getenv("ZELTRPC_SERVER");
  zeltctl::ParseResult parsed =
      zeltctl::parseCommandLine(args, envServer && *envServer ? envServer : ".");
  switch (parsed.kind) {
    case zeltctl::ParseResult::Help:
      std::fputs(zeltctl::helpText(parsed.helpOpnum).c_str(), stdout);
      return outputWritten("") ? kExitOk : kExitFailed;
    case zeltctl::ParseResult::Version:
      std::puts("zeltctl " ZELTCTL_VERSION);
      return outputWritten("") ? kExitOk : kExitFailed;
    case zeltctl::ParseResult::Run:
    case zeltctl::ParseResult::Batch: break;
    default:
      usageError(parsed.error, parsed.errorOpnum, parsed.call.json);
      return outputWritten("") ? kExitUsage : std::max(kExitUsage, kExitFailed);
  }

  // The library reads both when it connects.
  zeltctl::Invocation& call = parsed.call;
  if (call.timeoutMs) setenv("ZELTRPC_TIMEOUT_MS", std::to_string(call.timeoutMs).c_str(), 1);
  if (call.trace) setenv("ZELTRPC_TRACE", "1", 1);

  std::thread bound;
  if (call.maxTimeMs) {
    g_bound.ms = call.maxTimeMs;
    g_bound.json = call.json;
    bound = std::thread(watchRunBound, std::chrono::steady_clock::now() +
                                           std::chrono::milliseconds(call.maxTimeMs));
  }
  int result = kExitOk;
  {
    // The connection closes before the bound stops watching: a disconnect
    // is part of the run.
    zeltctl::Connection connection(call.server);
    if (parsed.kind == zeltctl::ParseResult::Batch) {
      result = runBatch(call, connection);
    } else {
      result = runCall(call, connection, "", 0, false);
      if (!outputWritten("")) result = std::max(result, kExitFailed);
    }
  }
  if (bound.joinable()) {
    {
      std::lock_guard lock(g_bound.mutex);
      g_bound.finished = true;
    }
    g_bound.wake.notify_all();
    bound.join();
  }
  return result;
}
