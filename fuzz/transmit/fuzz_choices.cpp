// Arbitrary choices texts and current values into the choice list rules: the
// entries never hold a comma or an empty text, joining them gives the input
// without its empty pieces, and the preselected entry really begins with the
// current value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "listview/dialogs/choice_list.h"

using namespace corvella;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // Up to the first NUL: the choices; after it: the current value.
  const std::size_t nul = input.find('\0');
  const std::string_view choices = input.substr(0, nul);
  const std::string_view current =
      nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

  const auto entries = SplitChoices(choices);
  std::string joined;
  for (const auto& entry : entries) {
    if (entry.empty() || entry.find(',') != std::string::npos) std::abort();
    joined += entry;
  }
  std::string withoutCommas;
  for (char c : choices) {
    if (c != ',') withoutCommas += c;
  }
  if (joined != withoutCommas) std::abort();

  const int index = PreselectIndex(entries, current);
  if (index < -1 || index >= static_cast<int>(entries.size())) std::abort();
  if (index >= 0 && entries[index].size() < current.size()) std::abort();
  if (current.empty() && index != -1) std::abort();
  return 0;
}
