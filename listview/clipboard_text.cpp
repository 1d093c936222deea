#include "listview/clipboard_text.h"

namespace corvella {

void AppendClipboardLine(std::string& text, const RequestCells& cells) {
  text += ' ';
  for (int c = 0; c < kColumnCount; ++c) {
    if (c > 0) text += '|';
    const std::string& cell = cells[static_cast<std::size_t>(c)];
    if (cell.empty()) {
      text += "  ";
    } else {
      text.append(cell, 0, kClipboardCellLimit);
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

}  // namespace

std::vector<RequestCells> ParseClipboardText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<RequestCells> rows;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t eol = text.find_first_of("\r\n", pos);
    const std::size_t end = eol == std::string_view::npos ? text.size() : eol;
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;

    RequestCells cells;
    int index = 0;  // 0: the dropped number piece, 1..12: the cells
    ForEachPiece(line, [&](std::string_view piece) {
      if (index > 0) cells[static_cast<std::size_t>(index)] = std::string(piece);
      return ++index < kColumnCount;
    });
    if (index > 1) rows.push_back(std::move(cells));
  }
  return rows;
}

}  // namespace corvella
