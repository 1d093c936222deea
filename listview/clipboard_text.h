#pragma once
// The clipboard text of requests: one line per request, " " + the row number,
// then "|" + each of the twelve further cells, a final "|" and CR LF. There is
// no escaping: a "|" inside a cell would read back as a separator, so Copy
// writes it as the broken bar and Paste leaves out a line with more cells than
// a request has rather than shift its fields.
//
// These are pure functions so the exchange format can be checked and fuzzed
// apart from the view and the system clipboard.

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

}  // namespace corvella
