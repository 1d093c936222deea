#pragma once
// The field checks of the request list (CCorvellaView::ValidateField and one
// check per column from Team/Ind to Offset, in validators.cpp), and the
// character tests they share.
//
// Each check takes the cell text in and out, the row whose other cells its
// cross-column rules read and change, and whether to show its messages. It
// returns 1 (valid, perhaps normalised), 0 (rejected) or -1 (replaced by a
// fallback or corrected by a rule). Three callers use them:
//   editing a cell     loading mode off, messages on:  a bad value is rejected
//   filling from file  loading mode on,  messages on:  a bad value is replaced
//   the save pass      loading mode off, messages off: a bad value stays
// The sport message and the Team/Ind question of Top 3 are shown whatever the
// show-messages argument says.

#include <string>
#include <string_view>

namespace corvella {

// Letters of the Windows-1252 code page: A-Z, a-z and the accented and other
// letters above 127 (the Drive check's "alphabetic").
bool IsCharAlpha1252(unsigned char c);

// True when the text holds "/" or "\" (not allowed in library and sequence
// names, which name files on the sign's computer).
bool HasPathSeparator(std::string_view text);

// Cuts the text to its first character; an empty text stays empty.
void KeepFirstChar(std::string& text);

}  // namespace corvella
