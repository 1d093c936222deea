// Profile text from anywhere: look-ups never read past the input and respect
// the caller's buffer, the text the profile writes back answers every look-up
// the same way, and a value set is read back as written.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile.h"

namespace {

using corvella::ProfileFile;

const char* const kSections[] = {"REQ1", "req2", "REQUEST", "", "S"};
const char* const kKeys[] = {"Name", "SPORT", "zlrtdinput", "", "K"};

// Answers of a fixed set of look-ups, plus the look-up named by `extra`.
std::string Answers(const ProfileFile& profile, std::string_view extra) {
  std::string out;
  for (const char* section : kSections) {
    // A section found once answers as the one-call look-up does.
    const ProfileFile::SectionRef found = profile.FindSectionRef(section);
    for (const char* key : kKeys) {
      for (std::size_t size :
           {std::size_t{0}, std::size_t{1}, std::size_t{30}, std::size_t{4096}}) {
        std::string value = profile.GetString(found, key, "default", size);
        if (size == 0 ? !value.empty() : value.size() > size - 1) std::abort();
        out += value;
        out += '\x1f';
      }
      if (profile.GetString(section, key, "default", 4096) !=
          profile.GetString(found, key, "default", 4096)) {
        std::abort();
      }
      out += std::to_string(profile.GetInt(section, key, -7));
      out += '\x1e';
    }
  }
  out += profile.GetString(extra, extra, "", 4096);
  return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // A name taken from the input, so sections and keys that exist get probed.
  const std::string_view extra = text.substr(0, std::min<std::size_t>(text.size(), 8));

  ProfileFile profile(text);
  const std::string before = Answers(profile, extra);
  ProfileFile again(profile.ToText());
  if (Answers(again, extra) != before) std::abort();

  // Set a value taken from the input; plain values read back exactly.
  std::string value(text.substr(text.size() / 2, 40));
  again.SetString("REQ1", "Name", value);
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const bool plain =
      value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back()) &&
                        !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                          value.back() == value.front()));
  if (plain && again.GetString("REQ1", "Name", "?", 4096) != value) std::abort();
  if (again.GetString("REQUEST", "SPORT", "?", 4096) !=
      profile.GetString("REQUEST", "SPORT", "?", 4096)) {
    std::abort();
  }
  return 0;
}
