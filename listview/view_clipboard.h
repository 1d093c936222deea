#pragma once
// Copy, Cut and Paste of whole requests of the request list through the
// clipboard, in the text of listview/clipboard_text.h.

namespace corvella {

class CListViewEx;
class Clipboard;
class FieldChecks;
class TextRows;
class Ui;

// Copy, and with `cut` Cut: the selected rows of `view`, read from
// `requests` (the rows it shows), go to `clipboard` as one text; Cut removes
// them (without renumbering) once the clipboard has taken it, so a refusal,
// told through `ui`, loses nothing. The caret row is selected again. With no
// clipboard or no selected row nothing happens.
void CopySelectedRows(CListViewEx& view, const TextRows& requests, Clipboard* clipboard, Ui& ui,
                      bool cut);

// Paste: the requests of the clipboard's text go in before the first
// selected row (none: at the end), each value through `checks` in loading
// mode, as a value read from a file; the list is renumbered and the caret
// row alone selected. Text outside the code page, or a list with no room
// for any line, is refused as a whole and changes nothing; lines cut short
// or dropped for want of room are told afterwards.
void PasteRequests(CListViewEx& view, Clipboard* clipboard, Ui& ui, FieldChecks& checks);

}  // namespace corvella
