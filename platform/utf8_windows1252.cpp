#include "platform/utf8_windows1252.h"

#include <cstdint>

namespace corvella {

int Windows1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (std::size_t i = 0; i < kWindows1252High.size(); ++i) {
    if (kWindows1252High[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

namespace {

// Decodes the sequence at `pos`: its code point and length, or length 0 when
// it is malformed.
struct Decoded {
  char32_t c = 0;
  std::size_t length = 0;
};

Decoded DecodeAt(std::string_view text, std::size_t pos) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[pos + i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    c = lead & 0x1F;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    c = lead & 0x0F;
    least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    c = lead & 0x07;
    least = 0x10000;
  } else {
    return {};
  }
  if (text.size() - pos < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    c = (c << 6) | (byte(i) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
  return {c, length};
}

}  // namespace

bool IsMultibyteUtf8(std::string_view text) {
  bool multibyte = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const Decoded d = DecodeAt(text, pos);
    if (d.length == 0) return false;
    multibyte = multibyte || d.length > 1;
    pos += d.length;
  }
  return multibyte;
}

std::string Utf8ToWindows1252(std::string_view text, std::size_t* unmapped) {
  std::string out;
  out.reserve(text.size());
  if (unmapped) *unmapped = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    Decoded d = DecodeAt(text, pos);
    if (d.length == 0) d = {0xFFFD, 1};  // not for well-formed text; one byte at a time
    const int b = Windows1252Byte(d.c);
    if (b < 0 && unmapped) ++*unmapped;
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
    pos += d.length;
  }
  return out;
}

}  // namespace corvella
