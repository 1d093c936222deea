#pragma once
// The clipboard text of requests: one line per request, " " + the row number,
// then "|" + each of the twelve further cells, a final "|" and CR LF. There is
// no escaping: a "|" inside a cell would read back as a separator, so Copy
// writes it as the broken bar and Paste leaves out a line with more cells than
// a request has rather than shift its fields.
//
// These are pure functions so the exchange format and the paste rules can be
// checked and fuzzed apart from the view and the system clipboard. The view's
// Copy, Cut and Paste (view_clipboard.h) use them: Paste never grows the
// list past kMaxRequests; the lines it has no room for are counted and
// reported, and a paste with no room at all leaves the list and its
// selection as they were. Pasted values meet the field checks of a load.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "requests/request_record.h"

namespace corvella {

// A copied cell carries at most this many characters (longer texts are cut).
constexpr std::size_t kClipboardCellLimit = 30;

// The separator of the cells. It cannot be typed into a field; a cell read
// from a file written elsewhere may still hold one.
constexpr char kClipboardSeparator = '|';
// What Copy writes for a separator inside a cell: the Windows-1252 broken bar
// "\xA6", which looks alike and pastes back as one character of its cell.
constexpr char kCopiedSeparator = '\xA6';

// Appends the line of one request to `text`: each cell cut to
// kClipboardCellLimit characters, an empty cell written as two blanks, a "|"
// inside a cell written as kCopiedSeparator. The text grows as needed;
// nothing is ever cut short but the cells themselves.
void AppendClipboardLine(std::string& text, const RequestCells& cells);

// The requests in clipboard text, in order. Each line is cut into pieces at
// every "|" the way strtok does (runs of "|" count as one, no empty pieces):
// the first piece (blank and number) is dropped, the next twelve fill
// columns 1 to 12 (cells stay empty when a line runs out of pieces). A line
// with further pieces had a "|" inside a cell: its fields cannot be told
// apart, so it gives no request and is counted in `overfull` instead of being
// pasted with its fields shifted. A line without a second piece gives no
// request. Lines end at CR, LF or CR LF, so no cell ever holds a line
// break and one malformed line cannot shift the lines after it. The text ends
// at its first zero byte, as clipboard text does. Cell 0 of every result is
// empty: the caller numbers the rows by position.
std::vector<RequestCells> ParseClipboardText(std::string_view text);
// The same for only the first `limit` requests, so a huge text costs no more
// memory than the requests kept; `total` receives how many requests the
// whole text holds, and `overfull` (when given) how many lines were left out
// for having more pieces than a request has cells.
std::vector<RequestCells> ParseClipboardText(std::string_view text, std::size_t limit,
                                             std::size_t& total, std::size_t* overfull = nullptr);

// What a paste of clipboard text into a list with `room` free rows does:
// the requests that fit, in order; the requests left out for want of room;
// and the lines left out because a field held the separator.
struct PastePlan {
  std::vector<RequestCells> requests;
  int dropped = 0;
  int overfull = 0;
  // No request fits, and some were left out: the paste is refused as a whole.
  bool Refused() const { return requests.empty() && dropped > 0; }
};
PastePlan PlanPaste(std::string_view text, int room);

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
