#include "tools/zeltctl/command_line.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace zeltctl {

using zeltrpc::Arg;
using zeltrpc::ExportForm;
using zeltrpc::kProcedures;
using zeltrpc::ProcDesc;

namespace {

const char kSynopsis[] =
    "usage: zeltctl [OPTION...] COMMAND [ARG...]\n"
    "       zeltctl [OPTION...] --batch FILE\n"
    "       zeltctl help [COMMAND]\n";

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// A decimal number that fits T: digits with an optional sign, nothing around
// them.
template <class T>
std::optional<T> parseDecimal(std::string_view text) {
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

ParseResult usageError(std::string message, int opnum = -1) {
  ParseResult r;
  r.kind = ParseResult::UsageError;
  r.error = std::move(message);
  r.errorOpnum = opnum;
  return r;
}

// "--name VALUE" or "--name=VALUE" at args[i]; advances i past the value.
std::optional<std::string> optionValue(std::span<const std::string> args, size_t& i,
                                       std::string_view name, bool& matched) {
  const std::string& a = args[i];
  matched = false;
  if (a == name) {
    matched = true;
    if (i + 1 >= args.size()) return std::nullopt;
    return args[++i];
  }
  if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
    matched = true;
    return a.substr(name.size() + 1);
  }
  return std::nullopt;
}

const char* describeKind(Arg kind) {
  switch (kind) {
    case Arg::InString: return "text";
    case Arg::InLong: return "long, decimal";
    case Arg::InOutLong: return "long, decimal; sent, and replaced by the answer";
    case Arg::InBuffer:
      return "bytes: hex (0x1600... or plain digits), @FILE, or @- for standard input";
    default: return "";
  }
}

// The arguments the user gives, by procedure argument index.
std::vector<size_t> userArguments(const ProcDesc& p) {
  std::vector<size_t> given;
  for (size_t i = 0; i < p.argc; ++i)
    if (givenByUser(p, i)) given.push_back(i);
  return given;
}

std::string commandLine(const Command& c) {
  const ProcDesc& p = kProcedures[c.opnum];
  std::string line = c.name;
  for (size_t i : userArguments(p)) line += " " + upper(p.args[i].name);
  return line;
}

std::string outputList(const ProcDesc& p, const char* sep = " ") {
  std::string out;
  for (size_t i = 0; i < p.argc; ++i)
    if (isOutput(p, i)) out += std::string(out.empty() ? "" : sep) + p.args[i].name;
  return out;
}

}  // namespace

const std::vector<Command>& commands() {
  static const std::vector<Command> list = [] {
    std::vector<Command> v;
    for (uint16_t op = 0; op < zeltrpc::kOpnumCount; ++op) {
      if (kProcedures[op].form == ExportForm::None) continue;
      std::string name = kProcedures[op].name;
      for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      v.push_back({op, name});
    }
    return v;
  }();
  return list;
}

const Command* findCommand(std::string_view name) {
  for (const Command& c : commands())
    if (c.name.size() == name.size() && strncasecmp(c.name.c_str(), name.data(), name.size()) == 0)
      return &c;
  return nullptr;
}

bool givenByUser(const ProcDesc& p, size_t i) {
  if (p.form == ExportForm::ZeroLast && i + 1 == p.argc) return false;  // the export sends 0
  switch (p.args[i].kind) {
    case Arg::InLong:
    case Arg::InString:
    case Arg::InBuffer:
    case Arg::InOutLong: return true;
    default: return false;
  }
}

bool isOutput(const ProcDesc& p, size_t i) {
  switch (p.args[i].kind) {
    case Arg::OutBufferN:
    case Arg::OutBufferStar:
    case Arg::OutLong:
    case Arg::InOutSize:
    case Arg::InOutLong: return true;
    default: return false;
  }
}

std::optional<std::vector<uint8_t>> parseHex(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text.remove_prefix(2);
  if (text.size() % 2 != 0 || text.size() / 2 > kMaxSize) return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = digit(text[i]), lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return bytes;
}

namespace {

// True when `a` is an option rather than an argument: "--name", "-h", or any
// other dash word that is not a number ("-5" is a long) or "-".
bool isOption(const std::string& a) {
  if (a.size() < 2 || a[0] != '-') return false;
  return !(a[1] >= '0' && a[1] <= '9');
}

// The options and the words that are not options. A batch line (`line`)
// allows --size only.
// A whole number of milliseconds from 1 to kMaxTimeoutMs, for `option`.
std::optional<ParseResult> parseMilliseconds(const std::optional<std::string>& v,
                                             const std::string& option, uint32_t& out) {
  if (!v) return usageError(option + " needs milliseconds");
  const auto n = parseDecimal<uint32_t>(*v);
  if (!n || *n == 0 || *n > kMaxTimeoutMs || (*v)[0] == '+')
    return usageError(option + ": not a number of milliseconds from 1 to " +
                      std::to_string(kMaxTimeoutMs) + ": " + *v);
  out = *n;
  return std::nullopt;
}

std::optional<ParseResult> parseOptions(std::span<const std::string> args, Invocation& call,
                                        std::vector<std::string>& words, bool line,
                                        bool* helpAsked = nullptr) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || !isOption(a)) {
      words.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    bool matched = false;
    if (auto v = optionValue(args, i, "--size", matched); matched) {
      if (!v) return usageError("--size needs a number of bytes");
      const auto n = parseDecimal<uint64_t>(*v);
      const bool digits = !v->empty() && std::all_of(v->begin(), v->end(), [](char ch) {
        return ch >= '0' && ch <= '9';
      });
      if (!n && !digits) return usageError("--size: not a number of bytes: " + *v);
      if (!n || *n > kMaxSize)
        return usageError("--size " + *v + " is over the limit of " + std::to_string(kMaxSize) +
                          " bytes");
      call.size = static_cast<uint32_t>(*n);
      continue;
    }
    if (line) return usageError("only --size can be given on a batch line, not " + a);
    if (a == "--help" || a == "-h") {
      if (helpAsked) *helpAsked = true;  // the command, if any, is known later
      continue;
    }
    if (a == "--version") {
      ParseResult r;
      r.kind = ParseResult::Version;
      return r;
    }
    if (a == "--json") {
      call.json = true;
      continue;
    }
    if (a == "--trace") {
      call.trace = true;
      continue;
    }
    if (auto v = optionValue(args, i, "--server", matched); matched) {
      if (!v || v->empty()) return usageError("--server needs a name");
      call.server = *v;
      continue;
    }
    if (auto v = optionValue(args, i, "--batch", matched); matched) {
      if (!v || v->empty()) return usageError("--batch needs a file name, or - for standard input");
      call.batchFile = *v;
      continue;
    }
    if (auto v = optionValue(args, i, "--timeout", matched); matched) {
      if (auto error = parseMilliseconds(v, "--timeout", call.timeoutMs)) return error;
      continue;
    }
    if (auto v = optionValue(args, i, "--max-time", matched); matched) {
      if (auto error = parseMilliseconds(v, "--max-time", call.maxTimeMs)) return error;
      continue;
    }
    if (auto v = optionValue(args, i, "--retry", matched); matched) {
      if (!v) return usageError("--retry needs a number of repeats");
      const auto n = parseDecimal<uint32_t>(*v);
      if (!n || *n > kMaxRetries || (*v)[0] == '+')
        return usageError("--retry: not a number of repeats from 0 to " +
                          std::to_string(kMaxRetries) + ": " + *v);
      call.retries = *n;
      continue;
    }
    return usageError("unknown option " + a);
  }
  return std::nullopt;
}

// The command and its arguments, `words` after the options were taken out.
ParseResult parseCommand(const std::vector<std::string>& words, ParseResult r) {
  Invocation& call = r.call;
  size_t i = 0;
  if (words.empty()) return usageError("no command given");

  const std::string& name = words[i++];
  if (strcasecmp(name.c_str(), "help") == 0) {
    r.kind = ParseResult::Help;
    if (i == words.size()) return r;
    const Command* c = findCommand(words[i]);
    if (!c) return usageError("unknown command " + words[i]);
    if (i + 1 != words.size()) return usageError("help takes one command");
    r.helpOpnum = c->opnum;
    return r;
  }
  const Command* c = findCommand(name);
  if (!c) return usageError("unknown command " + name);
  const int opnum = c->opnum;
  const ProcDesc& p = kProcedures[c->opnum];
  call.opnum = c->opnum;

  for (size_t a : userArguments(p)) {
    const std::string argName = upper(p.args[a].name);
    if (i == words.size()) return usageError(c->name + ": missing " + argName, opnum);
    const std::string& text = words[i++];
    switch (p.args[a].kind) {
      case Arg::InString: call.texts[a] = text; break;
      case Arg::InLong:
      case Arg::InOutLong: {
        const auto v = parseDecimal<int32_t>(text);
        if (!v)
          return usageError(c->name + ": " + argName + " is not a decimal long: " + text, opnum);
        call.longs[a] = *v;
        break;
      }
      case Arg::InBuffer:
        if (!text.empty() && text[0] == '@') {
          if (text.size() == 1)
            return usageError(c->name + ": " + argName + ": @ needs a file name", opnum);
          call.buffers[a].file = text.substr(1);
        } else if (auto bytes = parseHex(text)) {
          call.buffers[a].bytes = std::move(*bytes);
        } else {
          return usageError(
              c->name + ": " + argName + " is not hex (an even count of digits): " + text, opnum);
        }
        break;
      default: break;
    }
  }
  if (i != words.size()) return usageError(c->name + ": unexpected argument " + words[i], opnum);
  r.kind = ParseResult::Run;
  return r;
}

}  // namespace

ParseResult parseCommandLine(std::span<const std::string> args, std::string_view defaultServer) {
  ParseResult r;
  r.call.server = std::string(defaultServer);
  std::vector<std::string> words;
  bool helpAsked = false;
  if (auto early = parseOptions(args, r.call, words, false, &helpAsked)) {
    // Whether the output is to be JSON, for the error's own output.
    for (const std::string& a : args) {
      if (a == "--") break;
      if (a == "--json") early->call.json = true;
    }
    return *early;
  }
  if (helpAsked) {
    // "zeltctl getstatus --help" and "zeltctl help getstatus --help" alike.
    ParseResult help;
    help.kind = ParseResult::Help;
    size_t at = !words.empty() && strcasecmp(words[0].c_str(), "help") == 0 ? 1 : 0;
    if (at < words.size())
      if (const Command* c = findCommand(words[at])) help.helpOpnum = c->opnum;
    return help;
  }
  if (r.call.batchFile) {
    if (!words.empty()) return usageError("--batch reads the commands: unexpected " + words[0]);
    r.kind = ParseResult::Batch;
    return r;
  }
  const bool json = r.call.json;
  ParseResult parsed = parseCommand(words, std::move(r));
  if (parsed.kind == ParseResult::UsageError) parsed.call.json = json;
  return parsed;
}

std::optional<std::vector<std::string>> splitWords(std::string_view line, std::string& error) {
  std::vector<std::string> words;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t i = 0;
  for (;;) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size()) return words;
    std::string word;
    while (i < line.size() && !blank(line[i])) {
      const char c = line[i++];
      if (c == '\'' || c == '"') {
        for (;;) {
          if (i == line.size()) {
            error = std::string("no closing ") + c + " in: " + std::string(line);
            return std::nullopt;
          }
          char d = line[i++];
          if (d == c) break;
          if (c == '"' && d == '\\' && i < line.size()) d = line[i++];
          word.push_back(d);
        }
      } else if (c == '\\' && i < line.size()) {
        word.push_back(line[i++]);
      } else {
        word.push_back(c);
      }
    }
    words.push_back(std::move(word));
  }
}

ParseResult parseBatchLine(std::string_view line, const Invocation& batch) {
  ParseResult r;
  std::string error;
  const auto words = splitWords(line, error);
  if (!words) return usageError(error);
  if (words->empty() || (*words)[0].starts_with('#')) {
    r.kind = ParseResult::Empty;
    return r;
  }
  r.call = batch;
  r.call.batchFile.reset();
  std::vector<std::string> rest;
  if (auto early = parseOptions(*words, r.call, rest, true)) return *early;
  return parseCommand(rest, std::move(r));
}

std::string usageText(int opnum) {
  if (opnum < 0) return std::string(kSynopsis) + "Run \"zeltctl help\" for the commands.\n";
  const Command* c = nullptr;
  for (const Command& k : commands())
    if (k.opnum == opnum) c = &k;
  if (!c) return kSynopsis;
  return "usage: zeltctl [OPTION...] " + commandLine(*c) + "\n";
}

std::string helpText(int opnum) {
  if (opnum >= 0) {
    const ProcDesc& p = kProcedures[opnum];
    std::string t = usageText(opnum);
    t += "Calls zelt" + std::string(p.exportName) + ".\n";
    for (size_t i : userArguments(p))
      t += "  " + upper(p.args[i].name) + ": " + describeKind(p.args[i].kind) + "\n";
    const std::string outputs = outputList(p, ", ");
    t += "Prints " + (outputs.empty() ? std::string() : outputs + ", then ") + "status.\n";
    return t;
  }
  std::string t = kSynopsis;
  t += "\n"
       "Makes one call of the sign service: connects to NAME (default $ZELTRPC_SERVER,\n"
       "else \".\"), calls the command's function of libZeltRpc, disconnects. With\n"
       "--batch, makes one call per line of FILE (- for standard input) over one\n"
       "connection. Options may also follow the command; -- ends them.\n"
       "\n"
       "  --server NAME  the sign service's computer\n"
       "  --json         print one JSON object instead of name=value lines\n"
       "  --size N       bytes for each output buffer (default 4096, at most 16777216)\n"
       "  --timeout MS   time-out of the connect and, apart, of each call, in milliseconds\n"
       "  --max-time MS  time-out of the whole run, connect, calls and repeats included\n"
       "  --retry N      repeat a call that did not run (1722, 1723, 1727) up to N times\n"
       "  --batch FILE   read one command with its arguments per line\n"
       "  --trace        write each PDU sent and received in hex to standard error\n"
       "  --version      print the version\n"
       "\n"
       "Texts are given as they are, longs in decimal, byte buffers as hex\n"
       "(0x1600... or plain digits), @FILE or @- (standard input). Every output\n"
       "value is printed as name=value (buffers in hex, and as name.text=... when\n"
       "every byte is printable), then status=N and its name. Exit status: 0 for\n"
       "status 0; 1 for a status the service answered, an unreadable @FILE or\n"
       "output that could not be written; 2 for a usage error; 3 when the call\n"
       "certainly did not run; 4 when it may have run; after --batch, the highest\n"
       "of its commands. See zeltctl(1) and zeltrpc(3).\n"
       "\n"
       "Commands (output values after \"->\"):\n";
  for (const Command& c : commands()) {
    const std::string outputs = outputList(kProcedures[c.opnum]);
    t += "  " + commandLine(c) + (outputs.empty() ? "" : "  -> " + outputs) + "\n";
  }
  return t;
}

}  // namespace zeltctl
