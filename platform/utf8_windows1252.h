#pragma once
// Windows-1252, the code page of the program's 8-bit texts, and the reading
// of UTF-8 text into it (request files saved by an editor that writes UTF-8).
// (The conversions to and from QString are in platform/qt/windows1252.h.)

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace corvella {

// The characters of the bytes 0x80..0x9F; the rest of the code page is
// ISO 8859-1. The five bytes Windows-1252 leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the C1 control of the same value, so that any
// byte string survives a round trip.
inline constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// The byte of a code point, or -1 when Windows-1252 has none.
int Windows1252Byte(char32_t c);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF) and holds at least one multi-byte sequence: text
// that is surely UTF-8 rather than Windows-1252, whose accented letters are
// single bytes that almost never form valid sequences.
bool IsMultibyteUtf8(std::string_view text);

// Well-formed UTF-8 text in Windows-1252. A character the code page cannot
// hold becomes '?' and is counted in `unmapped` when given.
std::string Utf8ToWindows1252(std::string_view text, std::size_t* unmapped = nullptr);

}  // namespace corvella
