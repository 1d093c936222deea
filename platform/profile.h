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
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvella {

class ProfileFile {
 public:
  // Larger files read as empty, and the one-call writers leave them alone.
  static constexpr std::size_t kMaxBytes = std::size_t{64} << 20;

  ProfileFile() = default;
  // Parses `text` (the whole content of a file); a text over kMaxBytes gives
  // an empty profile.
  explicit ProfileFile(std::string_view text);
  // Reads and parses the file at `path`; a missing or unreadable file gives
  // an empty profile.
  static ProfileFile Load(const std::string& path);
  // The text Load would parse; false, with an empty text, when the file is
  // missing or unreadable. With FromText, a caller can decode the text
  // before it is parsed. `failure` (when given) tells a missing file from
  // one that exists but cannot be read: it stays empty for a file that was
  // read or is missing, else it says why ("Permission denied", "it is not
  // a regular file" ...).
  static bool ReadText(const std::string& path, std::string& text, std::string* failure = nullptr);
  // Parses `text`, taking it over; a text over kMaxBytes gives an empty
  // profile.
  static ProfileFile FromText(std::string text);

  // The value, cut to `size` - 1 characters (size 0 gives ""), or `def`
  // (also cut) when the section or key is missing.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def,
                        std::size_t size) const;
  // A section looked up once, for reading several of its keys without
  // finding the section again each time. Valid as long as the profile is
  // not changed; a missing section reads every key as missing.
  class SectionRef {
    friend class ProfileFile;
    explicit SectionRef(int index) : m_index(index) {}
    int m_index;
  };
  SectionRef FindSectionRef(std::string_view section) const;
  // GetString within a section found before.
  std::string GetString(SectionRef section, std::string_view key, std::string_view def,
                        std::size_t size) const;
  // The leading decimal integer of the value (optional sign), `def` when the
  // key is missing or its value empty; a value with no digits gives 0.
  // Saturates instead of overflowing.
  int GetInt(std::string_view section, std::string_view key, int def) const;
  bool HasSection(std::string_view section) const;

  // Sets key = value in the section, creating either when missing and keeping
  // every other line. Line breaks in any argument become blanks, so a write
  // can never add lines of its own. The value is written as given: blanks at
  // its ends do not survive a read (callers quote such values). False, and
  // the profile unchanged, when the text would grow past kMaxBytes.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);
  // The whole file as text, lines ended with CRLF.
  std::string ToText() const;

 private:
  // The first occurrence of a section: its name in m_text, and where a new
  // key goes (just past the section's last non-blank line).
  struct Section {
    std::uint32_t nameBegin = 0, nameLen = 0;
    std::uint32_t insertAt = 0;
  };
  // The first occurrence of a key within the first occurrence of its section.
  struct Key {
    std::uint32_t nameBegin = 0, nameLen = 0;    // trimmed
    std::uint32_t valueBegin = 0, valueLen = 0;  // trimmed and unquoted
    std::int32_t section = 0;                    // index into m_sections
  };
  // Open-addressing table from a name's hash (keyed anew in every process,
  // so no file can choose names that collide) to an index (into m_sections or
  // m_keys); the caller confirms a hit by comparing the names in m_text, so
  // the table holds no pointers and the profile copies and moves freely.
  // (std::unordered_multimap in its place, a node allocated per name, made
  // the parse of a 300-request file twice as slow and its load half again.)
  class HashIndex {
   public:
    // Empties the table, sized for about `expected` entries.
    void Clear(std::size_t expected);
    // The first entry with `hash` for which `same(index)` holds, or -1.
    template <class Same>
    int Find(std::uint32_t hash, Same same) const;
    // Adds the entry unless one for the same name exists; true when added.
    template <class Same>
    bool Insert(std::uint32_t hash, int index, Same same);

   private:
    struct Slot {
      std::uint32_t hash = 0;
      std::int32_t index = -1;  // -1: empty
    };
    void Grow();
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
  };

  // Builds m_sections, m_keys and both indexes from m_text in one pass.
  void Parse();
  std::string_view Text(std::uint32_t begin, std::uint32_t len) const;
  // Index into m_sections of the first occurrence of the section, or -1.
  int FindSection(std::string_view section) const;
  // Index into m_keys of the key in that section, or -1.
  int FindKey(int sectionIndex, std::string_view key) const;

  std::string m_text;
  std::vector<Section> m_sections;  // in file order
  std::vector<Key> m_keys;          // in file order
  // Names compare without regard to ASCII case; look-ups cost the same
  // however large the file is.
  HashIndex m_sectionIndex;
  HashIndex m_keyIndex;
};

// The blanks a read trims from both ends of names and values.
bool IsProfileBlank(char c);

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
// False when the file cannot be read or written, or would grow past
// ProfileFile::kMaxBytes; the file is then unchanged.
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
