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

// Characters outside Windows-1252 become '?'.
std::string ToWindows1252(const QString& text);

}  // namespace corvella
