#pragma once
// The entries of the Choose Appropriate Selection list: how the comma-separated
// choices text is split and which entry a current value preselects. Kept free
// of any widget so the rules can be tested and fuzzed on their own.

#include <string>
#include <string_view>
#include <vector>

namespace corvella {

// Splits `choices` at commas from the left. Empty pieces add nothing: a
// leading comma, two commas in a row and a trailing comma give no empty
// entry; an empty text gives no entries.
std::vector<std::string> SplitChoices(std::string_view choices);

// Index of the first entry that begins with `current`, compared without
// regard to letter case (ASCII and the Windows-1252 letters); -1 when
// `current` is empty or no entry matches.
int PreselectIndex(const std::vector<std::string>& entries, std::string_view current);

}  // namespace corvella
