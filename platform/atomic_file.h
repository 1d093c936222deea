#pragma once
// Replacing a whole file so that a crash or a kill at any moment leaves
// either the old file or the new one, never a half-written one.

#include <string>
#include <string_view>

namespace corvella {

// What a write of a whole file came to: done, or the system's error number
// that says why not (ENOSPC, EACCES, EROFS ...; EINVAL when the path names
// something other than a regular file). Callers take the reason from here,
// never from errno after the call.
class FileWriteResult {
 public:
  static FileWriteResult Done() { return FileWriteResult(0); }
  static FileWriteResult Failed(int error) { return FileWriteResult(error != 0 ? error : 5); }
  explicit operator bool() const { return m_error == 0; }
  int Error() const { return m_error; }  // 0 when done
  std::string Reason() const;            // the system's text for Error()

 private:
  explicit FileWriteResult(int error) : m_error(error) {}
  int m_error;
};

// Writes `text` to `path` so that the file is either the old one or the new
// one, never half-written: a temporary file in the same folder, flushed, then
// renamed over the old one. Fails when any step fails (the old file stays).
// A symbolic link is followed, so the file it names is replaced. `flush`
// false skips the flush to disk (for measurements; the program always flushes).
FileWriteResult WriteFileAtomically(const std::string& path, std::string_view text,
                                    bool flush = true);

// The same for a file that is its user's alone: it is written with mode
// 0600 whatever was there, and a symbolic link (or anything else) in its
// place is replaced, never followed.
FileWriteResult WritePrivateFileAtomically(const std::string& path, std::string_view text);

// The last steps of the same commit for a file that someone else wrote
// (a printer's PDF, say) into `temp`, a temporary in the folder of `path`:
// flushes it to disk, gives it the name `path` and makes the new name
// durable. With `replace` false an existing `path` stays and the commit fails
// with EEXIST. On failure `temp` is left for the caller to remove.
FileWriteResult CommitTemporaryFile(const std::string& temp, const std::string& path, bool replace);

}  // namespace corvella
