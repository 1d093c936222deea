#include "platform/settings_file.h"

#include <algorithm>
#include <cstdint>

#include "platform/user_folder.h"

namespace corvella {

ProfileFile SettingsFile::Read(std::string* error) const {
  std::string why;
  const UserFolder folder = UserFolder::OpenExisting(m_folder, &why);
  std::string text;
  if (folder.IsOpen()) folder.ReadFile(m_name, kMaxBytes, &text, &why);
  if (error != nullptr) *error = why;
  return why.empty() ? ProfileFile::FromText(std::move(text)) : ProfileFile();
}

bool SettingsFile::Set(std::string_view section, std::string_view key, std::string_view value,
                       std::string* error) const {
  std::string why;
  const UserFolder folder = UserFolder::Open(m_folder, &why);
  if (!folder.IsOpen()) {
    if (error != nullptr) *error = why;
    return false;
  }
  // What cannot be read (too large, not a file of the user's) is replaced.
  std::string text;
  folder.ReadFile(m_name, kMaxBytes, &text, nullptr);
  ProfileFile settings = ProfileFile::FromText(std::move(text));
  if (!settings.SetString(section, key, value)) {
    if (error != nullptr) *error = "the settings would grow too large";
    return false;
  }
  std::string newText = settings.ToText();
  if (newText.size() > kMaxBytes) {
    // Started afresh rather than growing past what the next start reads.
    settings = ProfileFile();
    settings.SetString(section, key, value);
    newText = settings.ToText();
  }
  return folder.ReplaceFile(m_name, newText, error);
}

std::vector<int> ParseIntList(std::string_view value, std::size_t most, int low, int high) {
  std::vector<int> numbers;
  for (std::size_t at = 0;;) {
    const std::size_t comma = value.find(',', at);
    std::string_view item = value.substr(at, comma == std::string_view::npos ? comma : comma - at);
    while (!item.empty() && IsProfileBlank(item.front())) item.remove_prefix(1);
    while (!item.empty() && IsProfileBlank(item.back())) item.remove_suffix(1);
    const bool negative = !item.empty() && item.front() == '-';
    if (!item.empty() && (item.front() == '-' || item.front() == '+')) item.remove_prefix(1);
    if (item.empty() || numbers.size() >= most) return {};
    std::int64_t number = 0;
    for (const char c : item) {
      if (c < '0' || c > '9') return {};
      number = std::min<std::int64_t>(number * 10 + (c - '0'), INT32_MAX);
    }
    numbers.push_back(
        static_cast<int>(std::clamp<std::int64_t>(negative ? -number : number, low, high)));
    if (comma == std::string_view::npos) return numbers;
    at = comma + 1;
  }
}

}  // namespace corvella
