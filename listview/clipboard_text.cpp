#include "listview/clipboard_text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/text.h"

namespace corvella {

void AppendClipboardLine(std::string& text, const RequestCells& cells) {
  text += ' ';
  for (int c = 0; c < kColumnCount; ++c) {
    if (c > 0) text += '|';
    const std::string& cell = cells[static_cast<std::size_t>(c)];
    if (cell.empty()) {
      text += "  ";
    } else {
      const std::size_t start = text.size();
      text.append(cell, 0, kClipboardCellLimit);
      std::replace(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
                   kClipboardSeparator, kCopiedSeparator);
    }
  }
  text += "|\r\n";
}

namespace {

// Calls `piece` for every non-empty run of characters between "|" in `line`.
template <typename F>
void ForEachPiece(std::string_view line, F&& piece) {
  std::size_t pos = 0;
  while (pos < line.size()) {
    const std::size_t bar = line.find('|', pos);
    const std::size_t end = bar == std::string_view::npos ? line.size() : bar;
    if (end > pos && !piece(line.substr(pos, end - pos))) return;
    pos = end + 1;
  }
}

// Where the first CR or LF at or after `pos` is, or npos. (find_first_of
// would look each character up in the set with a call of its own.)
std::size_t FindLineBreak(std::string_view text, std::size_t pos) {
  const auto at = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(pos), text.end(),
                               [](char c) { return c == '\r' || c == '\n'; });
  return at == text.end() ? std::string_view::npos : static_cast<std::size_t>(at - text.begin());
}

}  // namespace

std::vector<RequestCells> ParseClipboardText(std::string_view text) {
  std::size_t total = 0;
  return ParseClipboardText(text, SIZE_MAX, total);
}

std::vector<RequestCells> ParseClipboardText(std::string_view text, std::size_t limit,
                                             std::size_t& total, std::size_t* overfull) {
  if (overfull) *overfull = 0;
  text = text.substr(0, text.find('\0'));
  std::vector<RequestCells> rows;
  // A line holds at most one request: room for the lines, up to the limit
  // and to what a list can hold (beyond that the vector grows as it goes).
  const std::size_t lines = 1 + CountByte(text, '\n') + CountByte(text, '\r');
  rows.reserve(std::min({lines, limit, static_cast<std::size_t>(kMaxRequests)}));
  total = 0;
  RequestCells scratch;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t eol = FindLineBreak(text, pos);
    const std::size_t end = eol == std::string_view::npos ? text.size() : eol;
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;

    // The cells are filled in place (past the limit into a scratch row that
    // only counts); a line that is no request is dropped.
    const bool keep = rows.size() < limit;
    RequestCells& cells = keep ? rows.emplace_back() : scratch;
    int index = 0;  // 0: the dropped number piece, 1..12: the cells
    bool extra = false;
    ForEachPiece(line, [&](std::string_view piece) {
      if (index == kColumnCount) {
        // Blanks after the last cell are no field of their own.
        extra = piece.find_first_not_of(" \t") != std::string_view::npos;
        return !extra;
      }
      if (index > 0 && keep) cells[static_cast<std::size_t>(index)].assign(piece);
      ++index;
      return true;
    });
    if (extra) {
      if (overfull) ++*overfull;
    } else if (index > 1) {
      ++total;
      continue;
    }
    if (keep) rows.pop_back();
  }
  return rows;
}

PastePlan PlanPaste(std::string_view text, int room) {
  PastePlan plan;
  std::size_t total = 0;
  std::size_t leftOut = 0;
  plan.requests =
      ParseClipboardText(text, static_cast<std::size_t>(std::max(0, room)), total, &leftOut);
  plan.dropped = static_cast<int>(std::min<std::size_t>(total - plan.requests.size(), INT_MAX));
  plan.overfull = static_cast<int>(std::min<std::size_t>(leftOut, INT_MAX));
  return plan;
}

std::string DroppedLinesMessage(int dropped) {
  std::string text = "The list can hold at most " + std::to_string(kMaxRequests) +
                     " requests, the most a request file can keep.\n";
  text += dropped == 1 ? "1 pasted line was dropped."
                       : std::to_string(dropped) + " pasted lines were dropped.";
  return text;
}

std::string SplitLinesMessage(int lines) {
  std::string text =
      lines == 1 ? "1 pasted line has" : std::to_string(lines) + " pasted lines have";
  text += " more fields than a request: a field holds \"";
  text += kClipboardSeparator;
  text += "\", which separates the fields.\n";
  text += lines == 1 ? "It was left out." : "They were left out.";
  return text;
}

}  // namespace corvella
