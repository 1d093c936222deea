#pragma once
// Conversion between the program's 8-bit texts (Windows-1252) and QString.
// Only the Qt side converts, at its edge: the core keeps std::string bytes.

#include <QString>
#include <string>
#include <string_view>

namespace corvella {

// Every byte maps to one character; the five bytes Windows-1252 leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the
// same value, so any byte string survives a round trip.
QString FromWindows1252(std::string_view bytes);

// Characters outside Windows-1252 become '?'. Texts the operator enters are
// checked with FirstCharacterOutsideWindows1252 first, so that nothing typed
// turns into '?' unnoticed.
std::string ToWindows1252(const QString& text);

// True when Windows-1252 holds the character (a code point).
bool IsWindows1252(char32_t c);

// The first character of `text` that Windows-1252 cannot hold, whole (a
// surrogate pair stays together); an empty string when there is none.
QString FirstCharacterOutsideWindows1252(const QString& text);

}  // namespace corvella
