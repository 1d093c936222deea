#pragma once
// Copy, Cut and Paste of whole requests (CCorvellaView::OnEditCopy, OnEditCut,
// OnEditPaste in view_clipboard.cpp), as text lines of "|"-separated cells
// (listview/clipboard_text.h). Paste never grows the list past kMaxRequests;
// the lines it has no room for are counted and reported, and a paste with no
// room at all leaves the list and its selection as they were. Pasted values
// meet the field checks of a load.

#include <string>

namespace corvella {

// Caption of the message Paste shows when it had more lines than room.
constexpr const char* kPasteFullCaption = "Too Many Requests";

// The text of that message for `dropped` (at least 1) lines left out.
std::string DroppedLinesMessage(int dropped);

// Caption of the message Paste shows for lines it left out because a field
// held the separator.
constexpr const char* kPasteCaption = "Paste";

// The text of that message for `lines` (at least 1) lines left out.
std::string SplitLinesMessage(int lines);

// The message of a paste refused because the text holds characters a
// request cannot hold (outside Windows-1252).
constexpr const char* kPasteOutsideCodePageMessage =
    "The text to paste holds characters that a request cannot hold (requests hold only the "
    "characters of Windows-1252, and no emoji).\nNothing was pasted.";

}  // namespace corvella
