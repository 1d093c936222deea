#pragma once
// The program's own small settings files in the user's folders: the window's
// layout (window.ini in the state folder) and the column widths
// (columns.ini in the configuration folder).
//
// They are read and written only through the checked user folder: a link, a
// FIFO, a device or another user's file in a settings file's place is never
// followed or waited on, and a file over kMaxBytes is not read at all, so no
// settings file can stop the program from starting. Such a file reads as no
// settings; the next change replaces it with a file of the user's alone.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace corvella {

class SettingsFile {
 public:
  // Far more than the program ever writes (a few hundred bytes).
  static constexpr std::size_t kMaxBytes = 64 * 1024;

  // The file `name` in the user folder at `folder` (UserStateFolderPath(),
  // UserConfigFolderPath()).
  SettingsFile(std::string folder, std::string name)
      : m_folder(std::move(folder)), m_name(std::move(name)) {}

  // The settings on disk; no settings when the file is missing or refused,
  // with the reason for a refusal in `error` (when given).
  ProfileFile Read(std::string* error = nullptr) const;
  // Sets one value and writes the file anew (crash-safe, mode 0600); false
  // with the reason when it cannot be written.
  bool Set(std::string_view section, std::string_view key, std::string_view value,
           std::string* error = nullptr) const;

 private:
  std::string m_folder;
  std::string m_name;
};

// The integers of a comma-separated list ("80, 120, 60"), each moved into
// [low, high]. Empty when the list has more than `most` items or any item
// is not a decimal integer.
std::vector<int> ParseIntList(std::string_view value, std::size_t most, int low, int high);

}  // namespace corvella
