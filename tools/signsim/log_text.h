// Texts of the service log. Whatever a client sends (sign names, sequence
// names, data, packet fields) reaches the log only through these, so no text
// can start a line of its own, pass for the end of a quoted item, or put
// bytes on a terminal that are not plain characters.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace signsim {

// `text` between double quotes, with every byte that is not printable ASCII
// (controls, DEL, everything from 0x80 on) and the quote and the backslash
// written as \xHH, so a backslash in the result always starts such an escape.
// At most `limit` bytes of `text` are shown; a longer text ends in `"...`.
std::string quoteText(std::string_view text, size_t limit = std::string_view::npos);
std::string quoteText(std::span<const unsigned char> bytes, size_t limit = std::string_view::npos);

// `text` as printable ASCII without quotes: the same escapes for controls and
// bytes from 0x80 on, but `"` and `\` kept (a line built from quoteText's
// results keeps its quotes and escapes). The log's writer passes every line
// through this.
std::string printableText(std::string_view text);

}  // namespace signsim
