// zeltctl: makes calls of the sign service from the command line, through
// libZeltRpc: one per run, or one per line of a batch over one connection.
// The procedure table drives its commands, arguments and output.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/zeltctl/call.h"
#include "tools/zeltctl/command_line.h"
#include "tools/zeltctl/output.h"
#include "zeltrpc/rpc/status.h"

#ifndef ZELTCTL_VERSION
#define ZELTCTL_VERSION "unknown"
#endif

namespace {

// Exit statuses, in the order a batch takes the worst of.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

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

int usageError(const std::string& message, int opnum) {
  std::fprintf(stderr, "zeltctl: %s\n%s", message.c_str(), zeltctl::usageText(opnum).c_str());
  return kExitUsage;
}

// The output block of a command that made no call: "error=..." or a JSON
// object with "error", so that a batch's output keeps one block per line.
void printError(const std::string& message, bool json) {
  if (json) {
    std::string quoted;
    for (char c : message) {
      if (c == '"' || c == '\\') quoted.push_back('\\');
      quoted.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
    std::printf("{\"error\": \"%s\"}\n", quoted.c_str());
  } else {
    std::printf("error=%s\n", message.c_str());
  }
}

// Reads the input files of `call`, makes it over `connection` and prints its
// block. `where` prefixes messages on standard error ("" or "line N: ").
// `stdinTaken`: standard input holds the commands, so @- cannot be read.
int runCall(zeltctl::Invocation& call, zeltctl::Connection& connection, const std::string& where,
            bool batch, bool stdinTaken) {
  for (auto& buffer : call.buffers) {
    if (!buffer.file) continue;
    std::string error;
    if (stdinTaken && *buffer.file == "-")
      error = "@- cannot be read: standard input holds the commands";
    else if (readInput(*buffer.file, buffer.bytes, error))
      error.clear();
    if (!error.empty()) {
      std::fprintf(stderr, "zeltctl: %s%s\n", where.c_str(), error.c_str());
      if (batch) printError(error, call.json);
      return kExitFailed;
    }
    buffer.file.reset();
  }

  uint32_t status = 0;
  std::vector<zeltctl::OutputValue> outputs;
  std::string error;
  if (!zeltctl::makeCall(call, connection, status, outputs, error)) {
    std::fprintf(stderr, "zeltctl: %s%s\n", where.c_str(), error.c_str());
    if (batch) printError(error, call.json);
    return kExitFailed;
  }
  const std::string text =
      call.json ? zeltctl::formatJson(outputs, status) : zeltctl::formatLines(outputs, status);
  std::fputs(text.c_str(), stdout);
  if (status == zeltrpc::rpc::kMoreData)
    std::fprintf(stderr,
                 "zeltctl: %sthe answer does not fit in --size %u bytes and was cut; give a "
                 "larger --size (at most %u)\n",
                 where.c_str(), call.size, zeltctl::kMaxSize);
  return status == 0 ? kExitOk : kExitFailed;
}

// One call per line of the batch file, over one connection; the exit status
// is the worst of the lines'. A line over kMaxSize bytes, or output that
// cannot be written, ends the batch.
int runBatch(const zeltctl::Invocation& settings) {
  const std::string& path = *settings.batchFile;
  const bool standardInput = path == "-";
  FILE* in = standardInput ? stdin : std::fopen(path.c_str(), "r");
  if (!in) {
    std::fprintf(stderr, "zeltctl: cannot open %s: %s\n", path.c_str(), std::strerror(errno));
    return kExitFailed;
  }
  zeltctl::Connection connection(settings.server);
  int worst = kExitOk;
  std::string line;
  LineRead read = LineRead::Line;
  for (unsigned number = 1; (read = readLine(in, line)) != LineRead::End; ++number) {
    const std::string where = "line " + std::to_string(number) + ": ";
    if (read == LineRead::TooLong) {
      const std::string error = "longer than " + std::to_string(zeltctl::kMaxSize) + " bytes";
      std::fprintf(stderr, "zeltctl: %s%s; the rest of %s is not read\n", where.c_str(),
                   error.c_str(), standardInput ? "standard input" : path.c_str());
      printError(error, settings.json);
      outputWritten(where);
      worst = std::max(worst, kExitFailed);
      break;
    }
    zeltctl::ParseResult parsed = zeltctl::parseBatchLine(line, settings);
    int result = kExitOk;
    switch (parsed.kind) {
      case zeltctl::ParseResult::Empty: continue;
      case zeltctl::ParseResult::Run:
        result = runCall(parsed.call, connection, where, true, standardInput);
        break;
      case zeltctl::ParseResult::Help:
        std::fputs(zeltctl::helpText(parsed.helpOpnum).c_str(), stdout);
        break;
      default:  // a usage error
        std::fprintf(stderr, "zeltctl: %s%s\n", where.c_str(), parsed.error.c_str());
        printError(parsed.error, settings.json);
        result = kExitUsage;
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
    default: return usageError(parsed.error, parsed.errorOpnum);
  }

  // The library reads both when it connects.
  zeltctl::Invocation& call = parsed.call;
  if (call.timeoutMs) setenv("ZELTRPC_TIMEOUT_MS", std::to_string(call.timeoutMs).c_str(), 1);
  if (call.trace) setenv("ZELTRPC_TRACE", "1", 1);

  if (parsed.kind == zeltctl::ParseResult::Batch) return runBatch(call);
  zeltctl::Connection connection(call.server);
  const int result = runCall(call, connection, "", false, false);
  return outputWritten("") ? result : std::max(result, kExitFailed);
}
