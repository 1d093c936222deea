#include "tools/signsim/log_text.h"

namespace signsim {

namespace {

// Appends `c` as an escape when it is not printable ASCII; `all` escapes the
// quote and the backslash too.
void append(std::string& out, unsigned char c, bool all) {
  static const char kHex[] = "0123456789ABCDEF";
  if (c >= 0x20 && c < 0x7F && (!all || (c != '"' && c != '\\'))) {
    out += static_cast<char>(c);
  } else {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
}

}  // namespace

std::string quoteText(std::string_view text, size_t limit) {
  return quoteText(std::span<const unsigned char>(
                       reinterpret_cast<const unsigned char*>(text.data()), text.size()),
                   limit);
}

std::string quoteText(std::span<const unsigned char> bytes, size_t limit) {
  std::string out = "\"";
  const size_t shown = bytes.size() < limit ? bytes.size() : limit;
  for (size_t i = 0; i < shown; ++i) append(out, bytes[i], true);
  out += shown < bytes.size() ? "\"..." : "\"";
  return out;
}

std::string printableText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) append(out, static_cast<unsigned char>(c), false);
  return out;
}

}  // namespace signsim
