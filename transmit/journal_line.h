#pragma once
// One line of the Send Log's journal: an ended send written as text that
// any reader can take apart again, and the reader that does.
//
// A line is tab-separated fields of UTF-8 text:
//   requested  ended  send  list  request  description  sign  team/player
//   destination  state  status  outcome
// A field's text is escaped so that it can hold no separator, no line end,
// no control character, and nothing a shell reading the file would act on:
//   \\ \t \n \r  as in C;  \xHH  for any other control byte;
//   \$ \` \; \| \& \< \> \' \"  for those characters.
// Times are local with their offset ("2026-12-10T23:12:01+0100").

#include <cstddef>
#include <string>
#include <string_view>

#include "transmit/send_ledger.h"

namespace corvella {

// A line longer than this is no line of the journal (every field of a send
// is far shorter).
inline constexpr std::size_t kMaxJournalLine = 64 * 1024;

// Field escaping; Unescape is false for a text that no Escape makes (a bad
// escape, a raw tab or control byte).
std::string EscapeJournalField(std::string_view text);
bool UnescapeJournalField(std::string_view field, std::string* text);

// The line of an ended send, without its line end; texts of `report` are
// Windows-1252 and become UTF-8.
std::string JournalLine(const SendReport& report);
// The send a line holds; false for the heading, a blank line or anything
// that is not a whole line of the journal. Texts come back as Windows-1252.
bool ParseJournalLine(std::string_view line, SendReport* report);

}  // namespace corvella
