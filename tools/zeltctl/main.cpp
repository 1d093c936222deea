// zeltctl: makes one call of the sign service from the command line, through
// libZeltRpc. The procedure table drives its commands, arguments and output.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/zeltctl/call.h"
#include "tools/zeltctl/command_line.h"
#include "tools/zeltctl/output.h"

namespace {

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

int usageError(const std::string& message, int opnum) {
  std::fprintf(stderr, "zeltctl: %s\n%s", message.c_str(), zeltctl::usageText(opnum).c_str());
  return 2;
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
      return 0;
    case zeltctl::ParseResult::UsageError: return usageError(parsed.error, parsed.errorOpnum);
    case zeltctl::ParseResult::Run: break;
  }

  zeltctl::Invocation& call = parsed.call;
  for (auto& buffer : call.buffers) {
    if (!buffer.file) continue;
    std::string error;
    if (!readInput(*buffer.file, buffer.bytes, error)) return usageError(error, call.opnum);
    buffer.file.reset();
  }

  uint32_t status = 0;
  std::vector<zeltctl::OutputValue> outputs;
  std::string error;
  if (!zeltctl::makeCall(call, status, outputs, error)) {
    std::fprintf(stderr, "zeltctl: %s\n", error.c_str());
    return 1;
  }
  const std::string text =
      call.json ? zeltctl::formatJson(outputs, status) : zeltctl::formatLines(outputs, status);
  std::fputs(text.c_str(), stdout);
  return status == 0 ? 0 : 1;
}
