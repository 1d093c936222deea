#pragma once
// Test support: request file texts and the cells of a list, for tests that
// load and save request files.

#include <array>
#include <string>
#include <vector>

#include "platform/list_control.h"
#include "requests/request_record.h"

namespace corvella::testing {

// Columns 1 to 12 of one request, in column order.
using RequestValues = std::array<std::string, 12>;

// A request that every check accepts unchanged.
inline RequestValues ValidRequest(const std::string& name) {
  return {name, "I", "N", "G", "1", "Continuous", "1", "C", "DEFAULT", "RTD", "0", "0"};
}

// One section "[REQn]" with the twelve keys, CRLF line ends.
inline std::string RequestSection(int number, const RequestValues& values) {
  std::string text = "[REQ" + std::to_string(number) + "]\r\n";
  for (int c = 1; c <= kLastColumn; ++c) {
    text += std::string(kColumns[c].key) + "=" + values[c - 1] + "\r\n";
  }
  return text;
}

// A request file of `count` valid requests named "Request 1" ...
inline std::string ValidRequestFile(int count, const std::string& prefix = "Request ") {
  std::string text;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) text += "\r\n";
    text += RequestSection(i, ValidRequest(prefix + std::to_string(i)));
  }
  return text;
}

// The cells of every row, columns 0 to 12.
inline std::vector<std::vector<std::string>> Cells(const ListControl& list) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < list.GetItemCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < kColumnCount; ++c) row.push_back(list.GetItemText(r, c));
    rows.push_back(std::move(row));
  }
  return rows;
}

// Columns 1 to 12 of one row.
inline RequestValues RowValues(const ListControl& list, int row) {
  RequestValues values;
  for (int c = 1; c <= kLastColumn; ++c) values[c - 1] = list.GetItemText(row, c);
  return values;
}

}  // namespace corvella::testing
