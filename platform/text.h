#pragma once
// The C runtime's text rules the program relies on: atoi's reading of a
// leading integer, and case changes of the ASCII letters only (every other
// byte, the Windows-1252 letters included, stays as it is).

#include <string>
#include <string_view>

namespace corvella {

// The leading decimal integer of a text as atoi reads it: leading white
// space, an optional sign, digits; 0 when there are none. Saturates instead
// of overflowing.
int LeadingInt(std::string_view text);

char UpperAscii(char c);
char LowerAscii(char c);
void MakeUpper(std::string& text);

}  // namespace corvella
