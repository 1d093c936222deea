#pragma once
// Profile (INI) files with the lexical rules programs of this family have
// always relied on: section and key names compared without regard to case,
// blanks around keys and values trimmed, one pair of matching surrounding
// quotes stripped from a value, the first occurrence of a section or key
// wins, a value cut to the caller's buffer size minus one, LF or CRLF read,
// CRLF written, other lines kept as they are.
//
// Reading never fails: a missing, unreadable or broken file (binary garbage,
// NUL bytes, huge lines, no sections) yields the defaults.
//
// ProfileFile parses a file once and answers many look-ups, so loading a
// whole request file costs one read; the Get/WritePrivateProfile* functions
// are the one-call forms, each reading (and writing) the file once.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvella {

class ProfileFile {
 public:
  ProfileFile() = default;
  // Parses `text` (the whole content of a file).
  explicit ProfileFile(std::string_view text);
  // Reads and parses the file at `path`; a missing or unreadable file gives
  // an empty profile.
  static ProfileFile Load(const std::string& path);

  // The value, cut to `size` - 1 characters (size 0 gives ""), or `def`
  // (also cut) when the section or key is missing.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                        std::size_t size) const;
  // The leading decimal integer of the value (optional sign), `def` when the
  // key is missing; a value with no digits gives 0.
  int GetInt(std::string_view section, std::string_view key, int def) const;
  bool HasSection(std::string_view section) const;

  // Sets key = value in the section, creating either when missing and keeping
  // every other line.
  void SetString(std::string_view section, std::string_view key, std::string_view value);
  // The whole file as text, lines ended with CRLF.
  std::string ToText() const;

 private:
  struct Line {
    std::string raw;      // the line as read, without its line end
    std::string section;  // for a section header: its name
    std::string key;      // for a key line: the trimmed key
    std::string value;    // for a key line: the trimmed, unquoted value
    enum Kind { kOther, kSection, kKey } kind = kOther;
  };
  std::vector<Line> m_lines;
  // Index of the first line of the first occurrence of each section header.
  int FindSection(std::string_view section) const;
  int FindKey(int sectionLine, std::string_view key) const;
};

// Writes `text` to `path` so that the file is either the old one or the new
// one, never half-written: a temporary file in the same folder, flushed, then
// renamed over the old one. False when any step fails (the old file stays).
bool WriteFileAtomically(const std::string& path, std::string_view text);

// Copies the value (or the default) into buffer, at most size - 1 characters
// and a terminating NUL; returns the number of characters copied.
unsigned GetPrivateProfileString(const char* section, const char* key, const char* def,
                                 char* buffer, unsigned size, const char* path);
// Convenience form returning the text.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t size,
                                    const std::string& path);
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         const std::string& path);
// False when the file cannot be written.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

// The application's profile: every call reads or writes the one configuration
// file at `path`; nothing holds it open.
class AppProfile {
 public:
  explicit AppProfile(std::string path) : m_path(std::move(path)) {}
  const std::string& Path() const { return m_path; }
  int GetProfileInt(std::string_view section, std::string_view key, int def) const;
  std::string GetProfileString(std::string_view section, std::string_view key,
                               std::string_view def) const;
  bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string m_path;
};

}  // namespace corvella
