#include "platform/text.h"

#include <climits>
#include <cstring>

namespace corvella {

std::size_t CountByte(std::string_view text, char byte) {
  std::size_t count = 0;
  if (text.empty()) return count;  // its data may be null, which memchr must not get
  const char* p = text.data();
  const char* const end = p + text.size();
  while ((p = static_cast<const char*>(std::memchr(p, byte, static_cast<std::size_t>(end - p)))) !=
         nullptr) {
    ++count;
    ++p;
  }
  return count;
}

int LeadingInt(std::string_view text) {
  std::size_t i = 0;
  auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      value = static_cast<long long>(INT_MAX) + 1;  // saturate; later digits change nothing
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

void MakeUpper(std::string& text) {
  for (char& c : text) c = UpperAscii(c);
}

std::string NumbersAsSaid(const std::vector<int>& ascending) {
  std::vector<std::string> items;
  for (std::size_t i = 0; i < ascending.size();) {
    std::size_t j = i;
    while (j + 1 < ascending.size() && ascending[j + 1] == ascending[j] + 1) ++j;
    if (j - i >= 2) {
      items.push_back(std::to_string(ascending[i]) + " to " + std::to_string(ascending[j]));
    } else {
      for (std::size_t k = i; k <= j; ++k) items.push_back(std::to_string(ascending[k]));
    }
    i = j + 1;
  }
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

}  // namespace corvella
