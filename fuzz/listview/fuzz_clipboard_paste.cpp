// Clipboard text from anywhere, parsed as Paste does (at most the requests a
// list can hold, the rest only counted): parsing never reads past the input,
// no cell ever holds a separator, a line break or a zero byte, and every
// request parsed copies and pastes back to itself (cells cut to 30, empty
// ones as two blanks).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "listview/clipboard_text.h"

using corvella::RequestCells;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t limit = corvella::kMaxRequests;
  std::size_t total = 0;
  std::vector<RequestCells> rows = corvella::ParseClipboardText(text, limit, total);
  if (rows.size() != std::min(total, limit)) std::abort();

  std::string copied;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    RequestCells& row = rows[r];
    if (!row[0].empty() || row[1].empty()) std::abort();
    for (const std::string& cell : row) {
      if (std::any_of(cell.begin(), cell.end(),
                      [](char c) { return c == '|' || c == '\r' || c == '\n' || c == '\0'; })) {
        std::abort();
      }
    }
    row[0] = std::to_string(r + 1);  // the view numbers the rows it copies
    corvella::AppendClipboardLine(copied, row);
  }

  const std::vector<RequestCells> pasted = corvella::ParseClipboardText(copied, limit, total);
  if (pasted.size() != rows.size() || total != rows.size()) std::abort();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (int c = 1; c < corvella::kColumnCount; ++c) {
      std::string_view expected = std::string_view(rows[r][static_cast<std::size_t>(c)])
                                      .substr(0, corvella::kClipboardCellLimit);
      if (expected.empty()) expected = "  ";
      if (pasted[r][static_cast<std::size_t>(c)] != expected) std::abort();
    }
  }
  return 0;
}
