#include "listview/dialogs/choice_list.h"

namespace corvella {

namespace {

// Folds a Windows-1252 character to its upper-case form, the way the list's
// select-string search compares entries.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe ligature
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(text[i])) !=
        FoldCase(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> SplitChoices(std::string_view choices) {
  std::vector<std::string> entries;
  while (!choices.empty()) {
    const std::size_t comma = choices.find(',');
    if (comma == std::string_view::npos) {
      entries.emplace_back(choices);
      break;
    }
    if (comma > 0) entries.emplace_back(choices.substr(0, comma));
    choices.remove_prefix(comma + 1);
  }
  return entries;
}

int PreselectIndex(const std::vector<std::string>& entries, std::string_view current) {
  if (current.empty()) return -1;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (StartsWithNoCase(entries[i], current)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace corvella
