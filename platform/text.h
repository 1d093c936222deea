#pragma once
// The C runtime's text rules the program relies on: atoi's reading of a
// leading integer, and case changes of the ASCII letters only (every other
// byte, the Windows-1252 letters included, stays as it is).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvella {

// How many times `byte` occurs in the text (memchr-fast, for sizing buffers
// before a parse).
std::size_t CountByte(std::string_view text, char byte);

// The leading decimal integer of a text as atoi reads it: leading white
// space, an optional sign, digits; 0 when there are none. Saturates instead
// of overflowing.
int LeadingInt(std::string_view text);

// Inline: the profile look-ups call these for every character they hash or
// compare.
inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
void MakeUpper(std::string& text);

// Ascending numbers as they are read out: runs of three or more as "2 to 4",
// the rest one by one, the last joined with "and" ("1, 3 and 5", "2 to 4 and
// 7", "3 and 4"); "" for none.
std::string NumbersAsSaid(const std::vector<int>& ascending);

}  // namespace corvella
