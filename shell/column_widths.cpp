#include "shell/column_widths.h"

#include <vector>

#include "platform/list_control.h"
#include "platform/settings_file.h"
#include "platform/user_folder.h"

namespace corvella {

namespace {

// The widths of each sport's columns: section [widths], the sport file's
// first four letters as the key, the widths separated by commas.
SettingsFile ColumnSettings() { return SettingsFile(UserConfigFolderPath(), "columns.ini"); }
constexpr const char* kWidthsSection = "widths";
constexpr int kMaxColumnWidth = 4000;

std::string ColumnKey(const std::string& sportFile) { return sportFile.substr(0, 4); }

}  // namespace

void KeepColumnWidths(const ListControl& list, const std::string& sportFile) {
  std::string widths;
  for (int c = 0; c < list.GetColumnCount(); ++c)
    widths += (c > 0 ? ", " : "") + std::to_string(list.GetColumnWidth(c));
  ColumnSettings().Set(kWidthsSection, ColumnKey(sportFile), widths);
}

bool RestoreColumnWidths(ListControl& list, const std::string& sportFile) {
  const std::string kept = ColumnSettings().Read().GetString(kWidthsSection, ColumnKey(sportFile),
                                                             "", SettingsFile::kMaxBytes);
  // Each width at least the list's minimum (SetColumnWidth raises it).
  const std::vector<int> widths =
      ParseIntList(kept, static_cast<std::size_t>(list.GetColumnCount()), 0, kMaxColumnWidth);
  if (static_cast<int>(widths.size()) != list.GetColumnCount())
    return false;  // none kept, or not of this program
  for (int c = 0; c < list.GetColumnCount(); ++c)
    list.SetColumnWidth(c, widths[static_cast<std::size_t>(c)]);
  return true;
}

}  // namespace corvella
