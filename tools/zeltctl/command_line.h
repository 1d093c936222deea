// zeltctl's command line: the commands the procedure table gives, parsing
// into one call to make, and the help texts. Pure functions of their
// arguments (no I/O), so a fuzzer can drive them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zeltrpc/sign_interface.h"

namespace zeltctl {

inline constexpr uint32_t kDefaultSize = 4096;  // bytes per output buffer
// Largest output or input buffer, and longest batch line: what the library
// sends in one argument.
inline constexpr uint32_t kMaxSize = zeltrpc::kMaxArgumentBytes;

// A command is a procedure that an export reaches; its name is the
// procedure's name in lower case ("getstatus"). 54 of them, in opnum order.
struct Command {
  uint16_t opnum;
  std::string name;
};
const std::vector<Command>& commands();

// The command named `name` without regard to case, or null.
const Command* findCommand(std::string_view name);

// True when the user gives procedure argument `i` of `p` on the command
// line (texts, longs, input buffers, in,out longs); the rest zeltctl
// supplies or reads back.
bool givenByUser(const zeltrpc::ProcDesc& p, size_t i);

// True when argument `i` is an output value (printed after the call).
bool isOutput(const zeltrpc::ProcDesc& p, size_t i);

// An input buffer: its bytes from hex, or a file still to be read ("-" for
// standard input).
struct BufferArg {
  std::vector<uint8_t> bytes;
  std::optional<std::string> file;
};

inline constexpr uint32_t kMaxTimeoutMs = 24 * 3600 * 1000;  // as the library accepts
inline constexpr uint32_t kMaxRetries = 1000;

// One call to make, or the settings of a batch.
struct Invocation {
  std::string server;
  bool json = false;
  uint32_t size = kDefaultSize;
  uint32_t timeoutMs = 0;  // 0: the library's own (ZELTRPC_TIMEOUT_MS, else its default)
  uint32_t maxTimeMs = 0;  // bound of the whole run; 0: none
  uint32_t retries = 0;    // repeats of a call that did not run for a passing reason
  bool trace = false;
  std::optional<std::string> batchFile;  // "-": standard input
  uint16_t opnum = 0;
  // Values of the procedure's arguments that the user gave, by argument index.
  std::array<int32_t, zeltrpc::kMaxArgs> longs{};
  std::array<std::string, zeltrpc::kMaxArgs> texts{};
  std::array<BufferArg, zeltrpc::kMaxArgs> buffers{};
};

struct ParseResult {
  enum Kind { Run, Help, Version, Batch, Empty, UsageError } kind = UsageError;
  Invocation call;      // Run; Batch: the settings, call.batchFile the commands
  int helpOpnum = -1;   // Help: one command's opnum, or -1 for all
  std::string error;    // UsageError: what is wrong
  int errorOpnum = -1;  // UsageError: the command concerned, or -1
};

// Parses the arguments after the program name. Options may stand before or
// after the command; "--" ends them (for a negative long, "-5" is taken as an
// argument anyway). `defaultServer` is used when no --server is given.
// --help with a command ("getstatus --help") is that command's help. A
// usage error keeps in call.json whether --json was given.
ParseResult parseCommandLine(std::span<const std::string> args, std::string_view defaultServer);

// Parses one line of a batch: "COMMAND [ARG...]" with an optional --size,
// the other settings taken from `batch`. Words are split at blanks; '...'
// and "..." quote (a backslash escapes the next character outside '...').
// Kind Empty for a blank line or one whose first word starts with '#'.
ParseResult parseBatchLine(std::string_view line, const Invocation& batch);

// The words of a batch line, or nothing (with `error` set) for an open quote.
std::optional<std::vector<std::string>> splitWords(std::string_view line, std::string& error);

// Decodes hex ("0x1600..." or plain digits, an even count). Nothing for
// anything else.
std::optional<std::vector<uint8_t>> parseHex(std::string_view text);

// "usage: ..." for one command (opnum) or for the program (-1).
std::string usageText(int opnum);

// What `zeltctl help` and `zeltctl help COMMAND` print.
std::string helpText(int opnum);

}  // namespace zeltctl
