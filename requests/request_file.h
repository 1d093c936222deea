#pragma once
// Request files: one section per request, REQ1, REQ2, ..., each holding the
// twelve keys "Name" ... "Offset" of columns 1 to 12 in column order.
//
// Reading goes through a ProfileFile parsed once; every value arrives through
// a 30-character buffer, so at most 29 characters of it. Writing produces the
// whole file text in one go and replaces the file atomically; an empty list
// leaves no file.

#include <string>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/profile.h"

namespace corvella {

// Every value is read through a buffer of this many characters.
constexpr std::size_t kRequestValueBuffer = 30;
// The longest value a read gives back. Texts the operator types or pastes
// into the list are kept to this length, so that what the list shows reads
// back the same after a save, while files written earlier read as before.
constexpr std::size_t kMaxRequestValue = kRequestValueBuffer - 1;

// Reads and parses the request file at `path`. Request files are
// Windows-1252; a file that is well-formed UTF-8 and holds multi-byte
// sequences (saved by an editor that writes UTF-8) is read as UTF-8 and
// converted, a character Windows-1252 cannot hold arriving as '?' and
// counted in `unmapped` (when given). A missing or unreadable file gives an
// empty profile; `failure` (when given) stays empty for a file that was read
// or is missing, and says why a file that exists could not be read.
ProfileFile LoadRequestFile(const std::string& path, std::size_t* unmapped = nullptr,
                            std::string* failure = nullptr);

// The message for a load that read `unmapped` (at least 1) characters of
// the file `name` as '?'.
std::string UnmappedCharactersMessage(const std::string& name, std::size_t unmapped);

// "REQ%d".
std::string RequestSectionName(int number);

// The number of requests: REQ1, REQ2, ... up to the first section that is
// missing or whose "Name" reads empty, at most kMaxRequests.
int CountRequestsInFile(const ProfileFile& file);

// The value of `column` (1 to 12) of request `number` (1-based), or the
// column's file default when the key is missing; at most 29 characters.
std::string ReadRequestValue(const ProfileFile& file, int number, int column);
// The same, for a request whose section was found before (a whole request
// is read with one look-up of its section).
std::string ReadRequestValue(const ProfileFile& file, ProfileFile::SectionRef request, int column);

// The text a value is written as. Values that begin or end with a blank, or
// that are wrapped in a matching pair of quotes, are written in double quotes
// so they read back exactly; line breaks become blanks (a value is one line).
std::string QuoteRequestValue(std::string_view value);

// Builds the text of a request file, one request after the other.
class RequestFileText {
 public:
  // Room for `count` requests of ordinary size.
  void Reserve(int count);
  // Starts the section of the next request (REQ1 first).
  void BeginRequest();
  // Adds "key=value" for `column` (1 to 12) to the current request. An empty
  // description is written as a single blank, the form a description without
  // text has: an empty "Name" would end the list when the file is read again.
  void AddValue(int column, std::string_view value);

  int Count() const { return m_count; }
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
  int m_count = 0;
};

// Writes the finished text to `path` atomically, or, when it holds no
// request, deletes the file (a missing file counts as done). Fails, with the
// reason, when the file could not be written or deleted; the old file is
// then unchanged.
FileWriteResult WriteRequestFile(const std::string& path, const RequestFileText& text);

}  // namespace corvella
