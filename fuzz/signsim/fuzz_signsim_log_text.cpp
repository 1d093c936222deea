// Feeds arbitrary bytes to the texts of signsim's log: a quoted text (all of
// it, or its first bytes up to a limit the input chooses) is printable ASCII
// between its quotes and turns back into exactly the bytes it shows; a line
// passed to the log's writer is printable ASCII; a packet decoded for the log
// gives a printable line whatever its 57 bytes hold.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "tools/signsim/log_text.h"
#include "tools/signsim/packet_decoder.h"

using namespace signsim;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool printable(std::string_view s) {
  for (char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes a quoted text shows, checking its escapes on the way.
std::string unquote(std::string_view body) {
  std::string out;
  for (size_t i = 0; i < body.size(); ++i) {
    check(body[i] != '"');  // a quote inside is always escaped
    if (body[i] != '\\') {
      out += body[i];
      continue;
    }
    check(i + 3 < body.size() && body.substr(i, 2) == "\\x");
    const int hi = hexValue(body[i + 2]), lo = hexValue(body[i + 3]);
    check(hi >= 0 && lo >= 0);
    out += static_cast<char>(hi * 16 + lo);
    i += 3;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string whole = quoteText(text);
  check(printable(whole) && whole.size() >= 2 && whole.front() == '"' && whole.back() == '"');
  check(unquote(std::string_view(whole).substr(1, whole.size() - 2)) == text);

  if (size > 0) {
    const size_t limit = data[0];
    const std::string_view rest = text.substr(1);
    const std::string cut = quoteText(rest, limit);
    const bool longer = rest.size() > limit;
    const std::string_view tail = longer ? "\"..." : "\"";
    check(printable(cut) && cut.front() == '"' && cut.size() >= 1 + tail.size() &&
          std::string_view(cut).substr(cut.size() - tail.size()) == tail);
    check(unquote(std::string_view(cut).substr(1, cut.size() - 1 - tail.size())) ==
          rest.substr(0, limit));
  }

  check(printable(printableText(text)));
  check(printable(decodeRequestPacket(std::span<const uint8_t>(data, size)).line));
  return 0;
}
