#include "tools/zeltctl/output.h"

#include <zeltrpc.h>

#include <algorithm>
#include <utility>

namespace zeltctl {

namespace {

// The statuses zeltrpc.h names: the library's and the service's own.
#define ZELTCTL_STATUS_ROW(name, value, text) {value, #name},
constexpr std::pair<uint32_t, const char*> kStatusNames[] = {
    ZELTRPC_STATUS_LIST(ZELTCTL_STATUS_ROW)};
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

// A JSON string of printable ASCII (the only text shown).
std::string quoted(std::string_view text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') s.push_back('\\');
    s.push_back(c);
  }
  return s + '"';
}

}  // namespace

const char* statusName(uint32_t status) {
  for (const auto& [value, name] : kStatusNames)
    if (value == status) return name;
  return "";
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

std::string formatJson(const std::vector<OutputValue>& values, uint32_t status) {
  std::string out = "{";
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
  return out + "\"status\": " + std::to_string(status) +
         ", \"statusName\": " + quoted(statusName(status)) + "}\n";
}

}  // namespace zeltctl
