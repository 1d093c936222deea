// Settings files from anywhere (columns.ini, window.ini as another program or
// a damaged disk left them), read as the program reads them: through the
// checked user folder with its size bound, then the column widths parsed.
// Nothing is read past the bound, every width parsed lies within its
// limits and there are never more than asked for, and a value set is read
// back from the file the way it was set.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_file.h"
#include "platform/user_folder.h"

namespace {

using corvella::ParseIntList;
using corvella::SettingsFile;
using corvella::UserFolder;

constexpr int kColumns = 13;

std::string g_base;

// One folder for the whole run, made once and removed at the end.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string base = std::filesystem::temp_directory_path().string() + "/fuzz-settings-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) std::abort();
    g_base = base;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(g_base, ec);
    });
    return base + "/corvella";
  }();
  return folder;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const UserFolder folder = UserFolder::Open(Folder(), &error);
  if (!folder.IsOpen() || !folder.ReplaceFile("columns.ini", text, &error)) std::abort();

  const SettingsFile settings(Folder(), "columns.ini");
  const corvella::ProfileFile read = settings.Read(&error);
  if (size > SettingsFile::kMaxBytes && (error.empty() || read.HasSection("widths"))) std::abort();
  const std::string widths = read.GetString("widths", "BASK", "", SettingsFile::kMaxBytes);
  for (const std::string_view value : {std::string_view(widths), text.substr(0, 200)}) {
    const std::vector<int> parsed = ParseIntList(value, kColumns, 0, 4000);
    if (parsed.size() > kColumns) std::abort();
    for (const int width : parsed) {
      if (width < 0 || width > 4000) std::abort();
    }
  }

  // A value from the input, set and read back.
  std::string value(text.substr(text.size() / 2, 60));
  if (!settings.Set("widths", "FOOT", value, &error)) std::abort();
  for (char& c : value) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const bool plain =
      value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back()) &&
                        !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                          value.back() == value.front()));
  const corvella::ProfileFile after = settings.Read(&error);
  if (!error.empty()) std::abort();
  if (plain && after.GetString("widths", "FOOT", "?", 4096) != value) std::abort();
  return 0;
}
