#include "zeltrpc/rpc/string_binding.h"

#include "zeltrpc/rpc/status.h"

namespace zeltrpc::rpc {

namespace {

void appendEscaped(std::string& out, std::string_view s) {
  for (char c : s) {
    if (c == '@' || c == ':' || c == '[' || c == ']' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
}

// Reads up to the first unescaped character of `stops` (or the end),
// unescaping on the way. Returns false on a backslash at the very end.
bool readComponent(std::string_view text, size_t& pos, std::string_view stops, std::string& out) {
  out.clear();
  while (pos < text.size()) {
    char c = text[pos];
    if (c == '\\') {
      if (pos + 1 >= text.size()) return false;
      out.push_back(text[pos + 1]);
      pos += 2;
      continue;
    }
    if (stops.find(c) != std::string_view::npos) return true;
    out.push_back(c);
    ++pos;
  }
  return true;
}

// True when an unescaped `c` occurs in text.
bool hasUnescaped(std::string_view text, char c) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
      continue;
    }
    if (text[i] == c) return true;
  }
  return false;
}

}  // namespace

std::string composeStringBinding(const StringBinding& p) {
  std::string out;
  if (!p.objectUuid.empty()) {
    appendEscaped(out, p.objectUuid);
    out.push_back('@');
  }
  appendEscaped(out, p.protseq);
  out.push_back(':');
  appendEscaped(out, p.networkAddress);
  if (!p.endpoint.empty() || !p.options.empty()) {
    out.push_back('[');
    appendEscaped(out, p.endpoint);
    if (!p.options.empty()) {
      out.push_back(',');
      appendEscaped(out, p.options);
    }
    out.push_back(']');
  }
  return out;
}

uint32_t parseStringBinding(std::string_view text, StringBinding& p) {
  p = {};
  size_t pos = 0;
  std::string part;
  if (hasUnescaped(text, '@')) {
    if (!readComponent(text, pos, "@", part) || pos >= text.size()) return kInvalidStringBinding;
    p.objectUuid = part;
    ++pos;
  }
  if (!readComponent(text, pos, ":[]@", part) || pos >= text.size() || text[pos] != ':' ||
      part.empty())
    return kInvalidStringBinding;
  p.protseq = part;
  ++pos;
  if (!readComponent(text, pos, "[]@:", part)) return kInvalidStringBinding;
  p.networkAddress = part;
  if (pos == text.size()) return kOk;
  if (text[pos] != '[') return kInvalidStringBinding;
  ++pos;
  if (!readComponent(text, pos, ",]", part) || pos >= text.size()) return kInvalidStringBinding;
  p.endpoint = part;
  constexpr std::string_view kPrefix = "endpoint=";
  if (p.endpoint.size() >= kPrefix.size()) {
    bool match = true;
    for (size_t i = 0; i < kPrefix.size(); ++i)
      if ((p.endpoint[i] | 0x20) != kPrefix[i] && p.endpoint[i] != kPrefix[i]) match = false;
    if (match) p.endpoint.erase(0, kPrefix.size());
  }
  if (text[pos] == ',') {
    ++pos;
    if (!readComponent(text, pos, "]", part) || pos >= text.size()) return kInvalidStringBinding;
    p.options = part;
  }
  ++pos;  // the closing bracket
  return pos == text.size() ? kOk : kInvalidStringBinding;
}

}  // namespace zeltrpc::rpc
