#pragma once
// Replacing a whole file so that a crash or a kill at any moment leaves
// either the old file or the new one, never a half-written one.

#include <string>
#include <string_view>

namespace corvella {

// Writes `text` to `path` so that the file is either the old one or the new
// one, never half-written: a temporary file in the same folder, flushed, then
// renamed over the old one. False when any step fails (the old file stays).
// A symbolic link is followed, so the file it names is replaced. `flush`
// false skips the flush to disk (for measurements; the program always flushes).
// On failure errno says why (ENOSPC, EACCES, EROFS ...; EINVAL when the
// path names something other than a regular file).
bool WriteFileAtomically(const std::string& path, std::string_view text, bool flush = true);

// The same for a file that is its user's alone: it is written with mode
// 0600 whatever was there, and a symbolic link (or anything else) in its
// place is replaced, never followed.
bool WritePrivateFileAtomically(const std::string& path, std::string_view text);

}  // namespace corvella
