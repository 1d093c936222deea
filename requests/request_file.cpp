#include "requests/request_file.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/utf8_windows1252.h"
#include "requests/request_record.h"

namespace corvella {

ProfileFile LoadRequestFile(const std::string& path, std::size_t* unmapped, std::string* failure) {
  if (unmapped) *unmapped = 0;
  std::string text;
  if (!ProfileFile::ReadText(path, text, failure)) return ProfileFile();
  if (IsMultibyteUtf8(text)) text = Utf8ToWindows1252(text, unmapped);
  return ProfileFile::FromText(std::move(text));
}

std::string UnmappedCharactersMessage(const std::string& name, std::size_t unmapped) {
  return name +
         (unmapped == 1 ? " holds 1 character"
                        : " holds " + std::to_string(unmapped) + " characters") +
         " that a request cannot hold; each was read as \"?\".";
}

std::string RequestSectionName(int number) { return "REQ" + std::to_string(number); }

int CountRequestsInFile(const ProfileFile& file) {
  int count = 0;
  while (count < kMaxRequests) {
    const std::string name = file.GetString(RequestSectionName(count + 1),
                                            kColumns[COL_DESCRIPTION].key, "", kRequestValueBuffer);
    if (name.empty()) break;
    ++count;
  }
  return count;
}

std::string ReadRequestValue(const ProfileFile& file, int number, int column) {
  return ReadRequestValue(file, file.FindSectionRef(RequestSectionName(number)), column);
}

std::string ReadRequestValue(const ProfileFile& file, ProfileFile::SectionRef request, int column) {
  return file.GetString(request, kColumns[column].key, kColumns[column].fileDefault,
                        kRequestValueBuffer);
}

std::string QuoteRequestValue(std::string_view value) {
  std::string text(value);
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  if (text.empty()) return text;
  const char first = text.front();
  const char last = text.back();
  const bool blankAtEnd = IsProfileBlank(first) || IsProfileBlank(last);
  const bool looksQuoted = text.size() >= 2 && (first == '"' || first == '\'') && last == first;
  if (blankAtEnd || looksQuoted) return "\"" + text + "\"";
  return text;
}

void RequestFileText::Reserve(int count) {
  if (count > 0) m_text.reserve(static_cast<std::size_t>(count) * 200);
}

void RequestFileText::BeginRequest() {
  ++m_count;
  if (m_count > 1) m_text += "\r\n";
  m_text += '[';
  m_text += RequestSectionName(m_count);
  m_text += "]\r\n";
}

void RequestFileText::AddValue(int column, std::string_view value) {
  if (column == COL_DESCRIPTION && value.empty()) value = " ";
  m_text += kColumns[column].key;
  m_text += '=';
  m_text += QuoteRequestValue(value);
  m_text += "\r\n";
}

FileWriteResult WriteRequestFile(const std::string& path, const RequestFileText& text) {
  if (text.Count() == 0)
    return ::unlink(path.c_str()) == 0 || errno == ENOENT ? FileWriteResult::Done()
                                                          : FileWriteResult::Failed(errno);
  return WriteFileAtomically(path, text.Text());
}

}  // namespace corvella
