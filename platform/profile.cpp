// Profile (INI) files: one linear parse into line records plus two hash
// indexes, so every look-up costs the same however large or broken the file.
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
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvella {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

// Trims blanks from both ends of [begin, end) of `text`.
void Trim(std::string_view text, std::size_t& begin, std::size_t& end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
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

std::string KeyIndexName(int sectionIndex, std::string_view key) {
  std::string name;
  name.reserve(sizeof(int) + key.size());
  name.append(reinterpret_cast<const char*>(&sectionIndex), sizeof(int));
  for (char c : key) name.push_back(LowerAscii(c));
  return name;
}

enum class ReadResult { kOk, kMissing, kFailed };

// Reads a whole regular file; kMissing when there is no such file, kFailed
// when it exists but cannot be read or is over ProfileFile::kMaxBytes.
ReadResult ReadWholeFile(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<std::uint64_t>(st.st_size) > ProfileFile::kMaxBytes) {
    ::close(fd);
    return ReadResult::kFailed;
  }
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      out.clear();
      return ReadResult::kFailed;
    }
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > ProfileFile::kMaxBytes) {
      ::close(fd);
      out.clear();
      return ReadResult::kFailed;
    }
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return ReadResult::kOk;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace

// ---- ProfileFile ------------------------------------------------------------

ProfileFile::ProfileFile(std::string_view text) {
  if (text.size() <= kMaxBytes) m_text.assign(text);
  Parse();
}

ProfileFile ProfileFile::Load(const std::string& path) {
  std::string text;
  if (ReadWholeFile(path, text) != ReadResult::kOk) return ProfileFile();
  ProfileFile profile;
  profile.m_text = std::move(text);
  profile.Parse();
  return profile;
}

void ProfileFile::Parse() {
  m_lines.clear();
  m_sections.clear();
  m_sectionIndex.clear();
  m_keyIndex.clear();
  const std::string_view text = m_text;
  int current = -1;  // index into m_sections of the section being read, -1 outside
  bool currentIsFirst = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t lineEnd = text.find('\n', pos);
    std::size_t next = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    std::size_t end = lineEnd;
    if (end > pos && text[end - 1] == '\r') --end;

    Line line;
    line.begin = static_cast<std::uint32_t>(pos);
    line.end = static_cast<std::uint32_t>(end);
    std::size_t b = pos;
    std::size_t e = end;
    Trim(text, b, e);
    const int lineIndex = static_cast<int>(m_lines.size());
    if (b < e && text[b] == '[') {
      std::size_t nameBegin = b + 1;
      std::size_t close = text.substr(0, e).find(']', nameBegin);
      std::size_t nameEnd = close == std::string_view::npos ? e : close;
      Trim(text, nameBegin, nameEnd);
      line.kind = Line::kSection;
      line.nameBegin = static_cast<std::uint32_t>(nameBegin);
      line.nameLen = static_cast<std::uint32_t>(nameEnd - nameBegin);
      auto [it, inserted] = m_sectionIndex.emplace(Lower(text.substr(nameBegin, nameEnd - nameBegin)),
                                                   static_cast<int>(m_sections.size()));
      if (inserted) {
        m_sections.push_back(Section{lineIndex, lineIndex});
        current = it->second;
        currentIsFirst = true;
      } else {
        // A later occurrence of a known section: its lines are kept, never found.
        currentIsFirst = false;
      }
    } else if (b < e && text[b] != ';') {
      std::size_t eq = text.substr(0, e).find('=', b);
      if (eq != std::string_view::npos) {
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
        line.kind = Line::kKey;
        line.nameBegin = static_cast<std::uint32_t>(keyBegin);
        line.nameLen = static_cast<std::uint32_t>(keyEnd - keyBegin);
        line.valueBegin = static_cast<std::uint32_t>(valueBegin);
        line.valueLen = static_cast<std::uint32_t>(valueEnd - valueBegin);
        if (current >= 0 && currentIsFirst) {
          m_keyIndex.emplace(KeyIndexName(current, text.substr(keyBegin, keyEnd - keyBegin)),
                             lineIndex);
        }
      }
    }
    if (current >= 0 && currentIsFirst && line.kind != Line::kSection) {
      m_sections[static_cast<std::size_t>(current)].lastLine = lineIndex;
    }
    m_lines.push_back(line);
    pos = next;
  }
}

std::string_view ProfileFile::Raw(const Line& line) const {
  return std::string_view(m_text).substr(line.begin, line.end - line.begin);
}
std::string_view ProfileFile::Name(const Line& line) const {
  return std::string_view(m_text).substr(line.nameBegin, line.nameLen);
}
std::string_view ProfileFile::Value(const Line& line) const {
  return std::string_view(m_text).substr(line.valueBegin, line.valueLen);
}

int ProfileFile::FindSection(std::string_view section) const {
  auto it = m_sectionIndex.find(Lower(section));
  return it == m_sectionIndex.end() ? -1 : it->second;
}

int ProfileFile::FindKey(int sectionIndex, std::string_view key) const {
  if (sectionIndex < 0) return -1;
  auto it = m_keyIndex.find(KeyIndexName(sectionIndex, key));
  return it == m_keyIndex.end() ? -1 : it->second;
}

bool ProfileFile::HasSection(std::string_view section) const { return FindSection(section) >= 0; }

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view def, std::size_t size) const {
  int line = FindKey(FindSection(section), key);
  std::string_view value = line < 0 ? def : Value(m_lines[static_cast<std::size_t>(line)]);
  return std::string(CutToBuffer(value, size));
}

int ProfileFile::GetInt(std::string_view section, std::string_view key, int def) const {
  int line = FindKey(FindSection(section), key);
  if (line < 0) return def;
  std::string_view value = Value(m_lines[static_cast<std::size_t>(line)]);
  if (value.empty()) return def;
  std::size_t i = 0;
  while (i < value.size() && IsBlank(value[i])) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  long long n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    n = n * 10 + (value[i] - '0');
    if (n > static_cast<long long>(INT_MAX) + 1) n = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) n = -n;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

void ProfileFile::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::string cleanSection = NoLineBreaks(section);
  const std::string cleanKey = NoLineBreaks(key);
  const std::string cleanValue = NoLineBreaks(value);

  // The new text: every line as it was, with one line replaced or added.
  std::vector<std::string> replacement;  // lines replacing [from, to)
  std::size_t from = m_lines.size();
  std::size_t to = m_lines.size();
  int s = FindSection(cleanSection);
  if (s >= 0) {
    int k = FindKey(s, cleanKey);
    if (k >= 0) {
      const Line& line = m_lines[static_cast<std::size_t>(k)];
      replacement.push_back(std::string(Name(line)) + "=" + cleanValue);
      from = static_cast<std::size_t>(k);
      to = from + 1;
    } else {
      // After the section's last non-blank line, so blank lines that part it
      // from the next section stay where they are.
      int at = m_sections[static_cast<std::size_t>(s)].lastLine;
      const int header = m_sections[static_cast<std::size_t>(s)].headerLine;
      while (at > header) {
        const Line& line = m_lines[static_cast<std::size_t>(at)];
        std::size_t b = line.begin;
        std::size_t e = line.end;
        Trim(m_text, b, e);
        if (b < e) break;
        --at;
      }
      replacement.push_back(cleanKey + "=" + cleanValue);
      from = to = static_cast<std::size_t>(at) + 1;
    }
  } else {
    if (!m_lines.empty()) {
      const Line& last = m_lines.back();
      std::size_t b = last.begin;
      std::size_t e = last.end;
      Trim(m_text, b, e);
      if (b < e) replacement.emplace_back();
    }
    replacement.push_back("[" + cleanSection + "]");
    replacement.push_back(cleanKey + "=" + cleanValue);
  }

  std::string text;
  text.reserve(m_text.size() + cleanKey.size() + cleanValue.size() + cleanSection.size() + 16);
  auto appendLine = [&text](std::string_view line) {
    text.append(line);
    text.append("\r\n");
  };
  for (std::size_t i = 0; i < from; ++i) appendLine(Raw(m_lines[i]));
  for (const std::string& line : replacement) appendLine(line);
  for (std::size_t i = to; i < m_lines.size(); ++i) appendLine(Raw(m_lines[i]));
  if (text.size() > kMaxBytes) return;  // the file would no longer read back
  m_text = std::move(text);
  Parse();
}

std::string ProfileFile::ToText() const {
  std::string text;
  text.reserve(m_text.size() + m_lines.size());
  for (const Line& line : m_lines) {
    text.append(Raw(line));
    text.append("\r\n");
  }
  return text;
}

// ---- whole-file writing -------------------------------------------------------

bool WriteFileAtomically(const std::string& path, std::string_view text, bool flush) {
  if (path.empty()) return false;
  // Replace the file a symbolic link names, not the link.
  std::string target = path;
  if (char* resolved = ::realpath(path.c_str(), nullptr)) {
    target = resolved;
    std::free(resolved);
  }
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);

  struct stat old {};
  const bool hadOld = ::stat(target.c_str(), &old) == 0;
  if (hadOld && !S_ISREG(old.st_mode)) return false;
  // A file the caller may not write stays as it is, as it would with an
  // in-place write.
  if (hadOld && ::access(target.c_str(), W_OK) != 0) return false;

  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".~%ld.%u.tmp", static_cast<long>(::getpid()),
                  counter.fetch_add(1));
    temp = target + suffix;
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = WriteAll(fd, text);
  if (ok && hadOld) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  if (ok && flush) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  if (flush) {
    // Make the rename itself durable; a folder that cannot be opened changes
    // nothing about the file being complete.
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      ::fsync(dirFd);
      ::close(dirFd);
    }
  }
  return true;
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
  profile.SetString(section, key, value);
  return WriteFileAtomically(path, profile.ToText());
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
