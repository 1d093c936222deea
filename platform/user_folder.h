#pragma once
// The program's own files under the user's folders (the Send Log journal,
// recovery copies, window and column settings, the single-instance folder).
//
// A folder is resolved and checked once: it must be a real folder (not a
// link), owned by the user, and writable by nobody else, in a parent of the
// user's (or the system's) that nobody else can write either. It is then held
// open, and every later open, read, write, rename and removal is done
// relative to that open folder, so swapping a folder above it or a link in a
// file's place changes nothing. Files are opened without following links and
// without blocking: a FIFO, a device or a folder in a file's place is
// refused, never waited on. Files are created with mode 0600.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"

namespace corvella {

// The per-user base folders, each with "/corvella" appended:
// $XDG_STATE_HOME/corvella (else ~/.local/state/corvella) and
// $XDG_CONFIG_HOME/corvella (else ~/.config/corvella). Empty when there is no
// home folder at all.
std::string UserStateFolderPath();
std::string UserConfigFolderPath();

class UserFolder {
 public:
  UserFolder() = default;  // not open: every operation fails with a reason

  // Opens `path`, creating it (and its missing parents) with mode 0700 when
  // it does not exist. Refuses a link, a folder owned by someone else, or one
  // that others may write to; `error` then says why in words fit for the
  // operator ("… is owned by another user"). Checked once, here.
  static UserFolder Open(const std::string& path, std::string* error);
  // The same checks without making anything: a missing folder is not open,
  // with an empty `error` (for reading what may never have been written).
  static UserFolder OpenExisting(const std::string& path, std::string* error);

  bool IsOpen() const { return static_cast<bool>(m_fd); }
  const std::string& Path() const { return m_path; }
  int Fd() const { return m_fd.get(); }

  // Reads the regular file `name` in this folder, whole, when it is at most
  // `maxBytes` long. A missing file is false with an empty `error`; a link,
  // FIFO, device, a file of another owner or one larger than `maxBytes` is
  // false with the reason.
  bool ReadFile(const std::string& name, std::size_t maxBytes, std::string* content,
                std::string* error) const;

  // Replaces `name` with `content` so that a crash leaves the old or the new
  // file: a temporary in this folder, flushed, renamed over `name`. Mode
  // 0600; whatever stood at `name` (a link included) is replaced, never
  // followed.
  bool ReplaceFile(const std::string& name, std::string_view content, std::string* error) const;

  // Opens `name` for appending (created 0600 when missing), refusing
  // anything but a regular file of the user's own. The descriptor does not
  // block on writes of a full pipe because only regular files are taken.
  base::UniqueFd OpenForAppend(const std::string& name, std::string* error) const;

  // Renames within this folder; a missing `from` is false with empty
  // `error`. Removes `name` (a regular file or a link; never what a link
  // points to); a missing `name` counts as removed.
  bool Rename(const std::string& from, const std::string& to, std::string* error) const;
  bool Remove(const std::string& name, std::string* error) const;

  // The names of the entries in this folder that start with `prefix`.
  std::vector<std::string> List(std::string_view prefix) const;

 private:
  static UserFolder Open(const std::string& path, bool make, std::string* error);

  base::UniqueFd m_fd;
  std::string m_path;
};

}  // namespace corvella
