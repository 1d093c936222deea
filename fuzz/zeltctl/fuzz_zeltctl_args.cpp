// Arbitrary command lines into zeltctl's parser: every outcome is a call of a
// known command within the limits, help, the version, a batch with its file
// named, or a usage error with a message and a usage text; hex that parses
// encodes back to the same digits.

#include <strings.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/zeltctl/command_line.h"

using namespace zeltctl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Arguments are separated by NUL bytes.
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }

  const ParseResult r = parseCommandLine(args, ".");
  switch (r.kind) {
    case ParseResult::Run: {
      const auto& p = zeltrpc::kProcedures[r.call.opnum];
      if (p.form == zeltrpc::ExportForm::None || r.call.size > kMaxSize || r.call.server.empty())
        std::abort();
      if (r.call.timeoutMs > kMaxTimeoutMs || r.call.maxTimeMs > kMaxTimeoutMs ||
          r.call.retries > kMaxRetries)
        std::abort();
      for (const auto& b : r.call.buffers)
        if (b.bytes.size() > kMaxSize || (b.file && b.file->empty())) std::abort();
      break;
    }
    case ParseResult::Help:
      if (helpText(r.helpOpnum).rfind("usage: zeltctl", 0) != 0) std::abort();
      break;
    case ParseResult::Version:
    case ParseResult::Empty: break;
    case ParseResult::Batch:
      if (!r.call.batchFile || r.call.batchFile->empty()) std::abort();
      break;
    case ParseResult::UsageError:
      if (r.error.empty() || usageText(r.errorOpnum).rfind("usage: zeltctl", 0) != 0) std::abort();
      break;
  }

  for (const std::string& a : args) {
    const auto bytes = parseHex(a);
    if (!bytes) continue;
    std::string digits =
        a.size() >= 2 && a[0] == '0' && (a[1] == 'x' || a[1] == 'X') ? a.substr(2) : a;
    static const char hex[] = "0123456789abcdef";
    std::string back;
    for (uint8_t b : *bytes) {
      back.push_back(hex[b >> 4]);
      back.push_back(hex[b & 15]);
    }
    if (strcasecmp(back.c_str(), digits.c_str()) != 0) std::abort();
  }
  return 0;
}
