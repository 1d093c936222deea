#pragma once
// Copy, Cut and Paste of whole requests (CCorvellaView::OnEditCopy, OnEditCut,
// OnEditPaste in view_clipboard.cpp), as text lines of "|"-separated cells
// (listview/clipboard_text.h). Paste never grows the list past kMaxRequests;
// the lines it has no room for are counted and reported.

#include <string>

namespace corvella {

// Caption of the message Paste shows when it had more lines than room.
constexpr const char* kPasteFullCaption = "Too Many Requests";

// The text of that message for `dropped` (at least 1) lines left out.
std::string DroppedLinesMessage(int dropped);

}  // namespace corvella
