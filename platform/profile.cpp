// Profile (INI) files: one linear parse that records the first occurrence of
// each section and key, plus two hash indexes, so every look-up costs the
// same however large or broken the file. The text itself is kept, so writing
// changes only the line concerned.
//
// Lexical rules: a line ends at LF, one CR before it is dropped; blanks
// (space, tab, CR, VT, FF) around names and values are trimmed. "[name]" starts
// a section (a missing "]" ends the name at the line end); a line starting
// with ";" is a comment; "key=value" (split at the first "=") is a key;
// anything else, and any key before the first section, is kept but never
// found. A value that begins and ends with the same quote character (" or ')
// loses that one pair. Names are compared without regard to ASCII case; the
// first occurrence of a section, and of a key within it, wins.

#include "platform/profile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "base/unique_fd.h"
#include "platform/atomic_file.h"
#include "platform/text.h"

namespace corvella {

using base::UniqueFd;

bool IsProfileBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// The key of the names' hash, drawn once per process: a file's names are
// written without knowing it, so no file can choose names that crowd into
// one stretch of the table (a fixed hash let 100 000 crafted section names
// make the parse quadratic).
struct HashKey {
  std::uint64_t k0, k1;
};

const HashKey& ProcessHashKey() {
  static const HashKey key = [] {
    HashKey drawn{0, 0};
    if (::getrandom(&drawn, sizeof drawn, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof drawn)) {
      std::random_device random;
      drawn.k0 = (std::uint64_t{random()} << 32) ^ random();
      drawn.k1 = (std::uint64_t{random()} << 32) ^ random();
    }
    return drawn;
  }();
  return key;
}

inline std::uint64_t Rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

// SipHash-1-3 of the lower-cased name under the process's key, `tweak`
// mixed into the key (a key's section).
std::uint64_t NameHash(std::string_view name, std::uint64_t tweak) {
  const HashKey& key = ProcessHashKey();
  const std::uint64_t k0 = key.k0 ^ tweak, k1 = key.k1;
  std::uint64_t v0 = 0x736f6d6570736575ull ^ k0, v1 = 0x646f72616e646f6dull ^ k1;
  std::uint64_t v2 = 0x6c7967656e657261ull ^ k0, v3 = 0x7465646279746573ull ^ k1;
  const auto round = [&] {
    v0 += v1;
    v1 = Rotl(v1, 13);
    v1 ^= v0;
    v0 = Rotl(v0, 32);
    v2 += v3;
    v3 = Rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = Rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = Rotl(v1, 17);
    v1 ^= v2;
    v2 = Rotl(v2, 32);
  };
  const std::size_t size = name.size();
  std::size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    std::uint64_t m = 0;
    for (int i = 0; i < 8; ++i)
      m |= std::uint64_t{static_cast<unsigned char>(LowerAscii(name[at + i]))} << (8 * i);
    v3 ^= m;
    round();
    v0 ^= m;
  }
  std::uint64_t last = std::uint64_t{size & 0xff} << 56;
  for (int i = 0; at + i < size; ++i)
    last |= std::uint64_t{static_cast<unsigned char>(LowerAscii(name[at + i]))} << (8 * i);
  v3 ^= last;
  round();
  v0 ^= last;
  v2 ^= 0xff;
  round();
  round();
  round();
  return v0 ^ v1 ^ v2 ^ v3;
}

std::uint32_t Fold(std::uint64_t h) { return static_cast<std::uint32_t>(h ^ (h >> 32)); }
std::uint32_t SectionHash(std::string_view name) { return Fold(NameHash(name, 0)); }
std::uint32_t KeyHash(int section, std::string_view key) {
  return Fold(NameHash(key, 0x9e3779b97f4a7c15ull * (static_cast<std::uint64_t>(section) + 1)));
}

// Trims blanks from both ends of [begin, end) of `text`.
void Trim(std::string_view text, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsProfileBlank(text[begin])) ++begin;
  while (end > begin && IsProfileBlank(text[end - 1])) --end;
}

std::string_view CutToBuffer(std::string_view value, std::size_t size) {
  if (size == 0) return {};
  return value.substr(0, size - 1);
}

// Line breaks in a written name or value would add lines the caller never
// meant to write.
std::string NoLineBreaks(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

enum class ReadResult { kOk, kMissing, kFailed };

// Reads a whole regular file; kMissing when there is no such file, kFailed
// when it exists but cannot be read or is over ProfileFile::kMaxBytes, with
// the reason in `why` (when given).
ReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* why = nullptr) {
  out.clear();
  const auto failed = [&out, why](const std::string& reason) {
    out.clear();
    if (why) *why = reason;
    return ReadResult::kFailed;
  };
  // Non-blocking, so a pipe in the file's place cannot stall the program;
  // only regular files are read.
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return errno == ENOENT ? ReadResult::kMissing : failed(std::strerror(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return failed(std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return failed("it is not a regular file");
  const std::string tooLarge =
      "it is larger than " + std::to_string(ProfileFile::kMaxBytes >> 20) + " MiB";
  if (static_cast<std::uint64_t>(st.st_size) > ProfileFile::kMaxBytes) return failed(tooLarge);
  // Read straight into the text, sized from the file plus one byte. Once the
  // size fstat gave has been read the text is whole, so the usual file takes
  // a single read; a file that grew meanwhile fills the spare byte instead,
  // makes the room grow and is read up to the zero-length read at its end.
  const std::size_t expected = static_cast<std::size_t>(st.st_size);
  std::size_t used = 0;
  out.resize(expected + 1);
  for (;;) {
    if (used == out.size()) {
      if (out.size() > ProfileFile::kMaxBytes) return failed(tooLarge);
      out.resize(std::min(out.size() * 2, ProfileFile::kMaxBytes + 1));
    }
    const ssize_t n = ::read(fd.get(), out.data() + used, out.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed(std::strerror(errno));
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
    if (used == expected) break;
  }
  out.resize(used);
  if (used > ProfileFile::kMaxBytes) return failed(tooLarge);
  return ReadResult::kOk;
}

}  // namespace

// ---- ProfileFile::HashIndex ---------------------------------------------------

void ProfileFile::HashIndex::Clear(std::size_t expected) {
  std::size_t size = 16;
  while (size * 3 < expected * 4) size *= 2;
  m_slots.assign(size, Slot{});
  m_used = 0;
}

template <class Same>
int ProfileFile::HashIndex::Find(std::uint32_t hash, Same same) const {
  if (m_slots.empty()) return -1;
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = m_slots[i];
    if (slot.index < 0) return -1;
    if (slot.hash == hash && same(slot.index)) return slot.index;
  }
}

template <class Same>
bool ProfileFile::HashIndex::Insert(std::uint32_t hash, int index, Same same) {
  if (m_slots.empty() || (m_used + 1) * 4 > m_slots.size() * 3) Grow();
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = m_slots[i];
    if (slot.index < 0) {
      slot.hash = hash;
      slot.index = index;
      ++m_used;
      return true;
    }
    if (slot.hash == hash && same(slot.index)) return false;
  }
}

void ProfileFile::HashIndex::Grow() {
  std::vector<Slot> old = std::move(m_slots);
  m_slots.assign(old.empty() ? 16 : old.size() * 2, Slot{});
  const std::size_t mask = m_slots.size() - 1;
  for (const Slot& slot : old) {
    if (slot.index < 0) continue;
    std::size_t i = slot.hash & mask;
    while (m_slots[i].index >= 0) i = (i + 1) & mask;
    m_slots[i] = slot;
  }
}

// ---- ProfileFile ------------------------------------------------------------

ProfileFile::ProfileFile(std::string_view text) {
  if (text.size() <= kMaxBytes) m_text.assign(text);
  Parse();
}

ProfileFile ProfileFile::Load(const std::string& path) {
  std::string text;
  if (!ReadText(path, text)) return ProfileFile();
  return FromText(std::move(text));
}

bool ProfileFile::ReadText(const std::string& path, std::string& text, std::string* failure) {
  if (failure) failure->clear();
  if (ReadWholeFile(path, text, failure) == ReadResult::kOk) return true;
  text.clear();
  return false;
}

ProfileFile ProfileFile::FromText(std::string text) {
  ProfileFile profile;
  if (text.size() <= kMaxBytes) profile.m_text = std::move(text);
  profile.Parse();
  return profile;
}

std::string_view ProfileFile::Text(std::uint32_t begin, std::uint32_t len) const {
  return std::string_view(m_text).substr(begin, len);
}

void ProfileFile::Parse() {
  const std::string_view text = m_text;
  m_sections.clear();
  m_keys.clear();
  // Size the tables from a quick count, so a large file allocates once.
  const std::size_t lines = CountByte(text, '\n') + 1;
  const std::size_t keys = std::min(lines, CountByte(text, '='));
  const std::size_t sections = std::min(lines, CountByte(text, '['));
  m_keys.reserve(keys);
  m_sections.reserve(sections);
  m_keyIndex.Clear(keys);
  m_sectionIndex.Clear(sections);

  int current = -1;  // index into m_sections while inside a first occurrence, else -1
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t newline = text.find('\n', pos);
    const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
    std::size_t b = pos;
    std::size_t e = newline == std::string_view::npos ? text.size() : newline;
    Trim(text, b, e);
    pos = next;
    if (b == e) continue;  // blank line

    if (text[b] == '[') {
      std::size_t nameBegin = b + 1;
      const std::size_t close = text.substr(0, e).find(']', nameBegin);
      std::size_t nameEnd = close == std::string_view::npos ? e : close;
      Trim(text, nameBegin, nameEnd);
      const std::string_view name = text.substr(nameBegin, nameEnd - nameBegin);
      const int index = static_cast<int>(m_sections.size());
      const bool first = m_sectionIndex.Insert(SectionHash(name), index, [&](int other) {
        const Section& known = m_sections[static_cast<std::size_t>(other)];
        return SameName(Text(known.nameBegin, known.nameLen), name);
      });
      if (first) {
        m_sections.push_back(Section{static_cast<std::uint32_t>(nameBegin),
                                     static_cast<std::uint32_t>(nameEnd - nameBegin),
                                     static_cast<std::uint32_t>(next)});
        current = index;
      } else {
        current = -1;  // a later occurrence: its lines are kept, never found
      }
      continue;
    }
    if (current < 0) continue;
    // Any other non-blank line of the section moves the place for new keys.
    m_sections[static_cast<std::size_t>(current)].insertAt = static_cast<std::uint32_t>(next);
    if (text[b] == ';') continue;  // comment
    const std::size_t eq = text.substr(0, e).find('=', b);
    if (eq == std::string_view::npos) continue;

    std::size_t keyBegin = b;
    std::size_t keyEnd = eq;
    Trim(text, keyBegin, keyEnd);
    std::size_t valueBegin = eq + 1;
    std::size_t valueEnd = e;
    Trim(text, valueBegin, valueEnd);
    if (valueEnd - valueBegin >= 2 && (text[valueBegin] == '"' || text[valueBegin] == '\'') &&
        text[valueEnd - 1] == text[valueBegin]) {
      ++valueBegin;
      --valueEnd;
    }
    const std::string_view key = text.substr(keyBegin, keyEnd - keyBegin);
    const int index = static_cast<int>(m_keys.size());
    if (m_keyIndex.Insert(KeyHash(current, key), index, [&](int other) {
          const Key& known = m_keys[static_cast<std::size_t>(other)];
          return known.section == current && SameName(Text(known.nameBegin, known.nameLen), key);
        })) {
      m_keys.push_back(Key{static_cast<std::uint32_t>(keyBegin),
                           static_cast<std::uint32_t>(keyEnd - keyBegin),
                           static_cast<std::uint32_t>(valueBegin),
                           static_cast<std::uint32_t>(valueEnd - valueBegin), current});
    }
  }
}

int ProfileFile::FindSection(std::string_view section) const {
  return m_sectionIndex.Find(SectionHash(section), [&](int index) {
    const Section& known = m_sections[static_cast<std::size_t>(index)];
    return SameName(Text(known.nameBegin, known.nameLen), section);
  });
}

int ProfileFile::FindKey(int sectionIndex, std::string_view key) const {
  if (sectionIndex < 0) return -1;
  return m_keyIndex.Find(KeyHash(sectionIndex, key), [&](int index) {
    const Key& known = m_keys[static_cast<std::size_t>(index)];
    return known.section == sectionIndex && SameName(Text(known.nameBegin, known.nameLen), key);
  });
}

bool ProfileFile::HasSection(std::string_view section) const { return FindSection(section) >= 0; }

ProfileFile::SectionRef ProfileFile::FindSectionRef(std::string_view section) const {
  return SectionRef(FindSection(section));
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view def, std::size_t size) const {
  return GetString(FindSectionRef(section), key, def, size);
}

std::string ProfileFile::GetString(SectionRef section, std::string_view key, std::string_view def,
                                   std::size_t size) const {
  const int k = FindKey(section.m_index, key);
  if (k < 0) return std::string(CutToBuffer(def, size));
  const Key& found = m_keys[static_cast<std::size_t>(k)];
  return std::string(CutToBuffer(Text(found.valueBegin, found.valueLen), size));
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int def) const {
  const int k = FindKey(FindSection(section), key);
  if (k < 0) return def;
  const Key& found = m_keys[static_cast<std::size_t>(k)];
  const std::string_view value = Text(found.valueBegin, found.valueLen);
  if (value.empty()) return def;
  return LeadingInt(value);
}

bool ProfileFile::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::string cleanSection = NoLineBreaks(section);
  const std::string cleanKey = NoLineBreaks(key);
  const std::string cleanValue = NoLineBreaks(value);
  const std::string_view text = m_text;

  // The bytes [from, to) of the text are replaced by `insert`.
  std::size_t from = text.size();
  std::size_t to = text.size();
  std::string insert;
  // A last line without a line end gets one before anything follows it.
  auto needsLineEnd = [&](std::size_t at) { return at > 0 && text[at - 1] != '\n'; };

  const int s = FindSection(cleanSection);
  const int k = FindKey(s, cleanKey);
  if (k >= 0) {
    // Replace the whole key line, keeping the key as the file spells it.
    const Key& found = m_keys[static_cast<std::size_t>(k)];
    const std::size_t lineStart = text.rfind('\n', found.nameBegin);
    from = lineStart == std::string_view::npos ? 0 : lineStart + 1;
    const std::size_t newline = text.find('\n', found.valueBegin + found.valueLen);
    to = newline == std::string_view::npos ? text.size() : newline;
    if (to > from && text[to - 1] == '\r') --to;
    insert = std::string(Text(found.nameBegin, found.nameLen)) + "=" + cleanValue;
  } else if (s >= 0) {
    from = to = m_sections[static_cast<std::size_t>(s)].insertAt;
    if (needsLineEnd(from)) insert = "\r\n";
    insert += cleanKey + "=" + cleanValue + "\r\n";
  } else {
    if (needsLineEnd(from)) insert = "\r\n";
    // A blank line parts the new section from a non-blank last line.
    std::size_t end = text.size();
    if (end > 0 && text[end - 1] == '\n') {
      --end;
      if (end > 0 && text[end - 1] == '\r') --end;
    }
    const std::size_t newline = end == 0 ? std::string_view::npos : text.rfind('\n', end - 1);
    std::size_t b = newline == std::string_view::npos ? 0 : newline + 1;
    std::size_t e = end;
    Trim(text, b, e);
    if (b < e) insert += "\r\n";
    insert += "[" + cleanSection + "]\r\n" + cleanKey + "=" + cleanValue + "\r\n";
  }

  if (text.size() - (to - from) + insert.size() > kMaxBytes)
    return false;  // would no longer read back
  std::string updated;
  updated.reserve(text.size() - (to - from) + insert.size());
  updated.append(text.substr(0, from));
  updated.append(insert);
  updated.append(text.substr(to));
  m_text = std::move(updated);
  Parse();
  return true;
}

std::string ProfileFile::ToText() const {
  const std::string_view text = m_text;
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t newline = text.find('\n', pos);
    std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
    if (end > pos && text[end - 1] == '\r') --end;
    out.append(text.substr(pos, end - pos));
    out.append("\r\n");
    pos = next;
  }
  return out;
}

// ---- one-call profile functions ----------------------------------------------

unsigned GetPrivateProfileString(const char* section, const char* key, const char* def,
                                 char* buffer, unsigned size, const char* path) {
  if (buffer == nullptr || size == 0) return 0;
  std::string value;
  if (section != nullptr && key != nullptr && path != nullptr) {
    value = ProfileFile::Load(path).GetString(section, key, def ? def : "", size);
  } else {
    value = std::string(CutToBuffer(def ? def : "", size));
  }
  std::memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  return static_cast<unsigned>(value.size());
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, std::size_t size,
                                    const std::string& path) {
  return ProfileFile::Load(path).GetString(section, key, def, size);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         const std::string& path) {
  return ProfileFile::Load(path).GetInt(section, key, def);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
  std::string text;
  // A file that exists but cannot be read is left alone rather than replaced
  // by one holding only this key.
  if (ReadWholeFile(path, text) == ReadResult::kFailed) return false;
  ProfileFile profile(text);
  if (!profile.SetString(section, key, value)) return false;
  return static_cast<bool>(WriteFileAtomically(path, profile.ToText()));
}

// ---- AppProfile ------------------------------------------------------------------

int AppProfile::GetProfileInt(std::string_view section, std::string_view key, int def) const {
  return GetPrivateProfileInt(section, key, def, m_path);
}

std::string AppProfile::GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view def) const {
  // The framework reads application profile strings through a 4096-character buffer.
  return GetPrivateProfileString(section, key, def, 4096, m_path);
}

bool AppProfile::WriteProfileString(std::string_view section, std::string_view key,
                                    std::string_view value) {
  return WritePrivateProfileString(section, key, value, m_path);
}

}  // namespace corvella
