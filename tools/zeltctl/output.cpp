#include "tools/zeltctl/output.h"

#include <zeltrpc.h>

#include <algorithm>
#include <utility>

namespace zeltctl {

namespace {

// The statuses zeltrpc.h names: the library's and the service's own.
struct StatusRow {
  uint32_t value;
  const char* name;
  int outcome;
};
#define ZELTCTL_STATUS_ROW(name, value, outcome, text) {value, #name, outcome},
constexpr StatusRow kStatuses[] = {ZELTRPC_STATUS_OUTCOMES(ZELTCTL_STATUS_ROW)};
#undef ZELTCTL_STATUS_ROW

bool printable(const std::vector<uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

std::string hex(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s.push_back(digits[b >> 4]);
    s.push_back(digits[b & 15]);
  }
  return s;
}

// A JSON string; control characters are escaped, other bytes kept.
std::string quoted(std::string_view text) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "\"";
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      s.push_back('\\');
      s.push_back(c);
    } else if (u < 0x20 || u == 0x7F) {
      s += "\\u00";
      s.push_back(digits[u >> 4]);
      s.push_back(digits[u & 15]);
    } else {
      s.push_back(c);
    }
  }
  return s + '"';
}

std::string lineKey(unsigned line) {
  return line ? "\"line\": " + std::to_string(line) + ", " : std::string();
}

}  // namespace

const char* statusName(uint32_t status) {
  for (const StatusRow& s : kStatuses)
    if (s.value == status) return s.name;
  return "";
}

int statusOutcome(uint32_t status) {
  for (const StatusRow& s : kStatuses)
    if (s.value == status) return s.outcome;
  return ZELT_CALL_RAN;
}

const char* outcomeText(int outcome) {
  switch (outcome) {
    case ZELT_CALL_NOT_RUN: return "did not run";
    case ZELT_CALL_MAY_HAVE_RUN: return "may have run";
    default: return "ran";
  }
}

std::string formatJsonError(const std::string& message, unsigned line) {
  return "{" + lineKey(line) + "\"error\": " + quoted(message) + "}\n";
}

std::string formatLines(const std::vector<OutputValue>& values, uint32_t status) {
  std::string out;
  for (const OutputValue& v : values) {
    if (!v.isBuffer) {
      out += v.name + "=" + std::to_string(v.number) + "\n";
      continue;
    }
    out += v.name + "=" + hex(v.bytes) + "\n";
    if (!v.bytes.empty() && printable(v.bytes))
      out += v.name + ".text=" + std::string(v.bytes.begin(), v.bytes.end()) + "\n";
  }
  const std::string name = statusName(status);
  return out + "status=" + std::to_string(status) + (name.empty() ? "" : " " + name) + "\n";
}

std::string formatJson(const std::vector<OutputValue>& values, uint32_t status, unsigned line,
                       int outcome) {
  std::string out = "{" + lineKey(line);
  for (const OutputValue& v : values) {
    if (!v.isBuffer) {
      out += quoted(v.name) + ": " + std::to_string(v.number) + ", ";
      continue;
    }
    out += quoted(v.name) + ": " + quoted(hex(v.bytes)) + ", ";
    if (!v.bytes.empty() && printable(v.bytes))
      out +=
          quoted(v.name + ".text") + ": " +
          quoted(std::string_view(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size())) +
          ", ";
  }
  out +=
      "\"status\": " + std::to_string(status) + ", \"statusName\": " + quoted(statusName(status));
  if (status != 0)
    out += ", \"outcome\": " + quoted(outcomeText(outcome ? outcome : statusOutcome(status)));
  return out + "}\n";
}

}  // namespace zeltctl
