// The crash-safe whole-file writer: a temporary file in the target's folder,
// flushed, then renamed over the target; temporaries that a killed save
// left behind are removed by the next save of the same file.

#include "platform/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/unique_fd.h"
#include "platform/file_path.h"

namespace corvella {

using base::UniqueFd;

namespace {

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

// A temporary of the file "<name>" is "<name>.~<pid>.<n>.tmp" in the same
// folder: the pid of the writing process and a counter of this process.
std::string TemporaryName(const std::string& base, unsigned n) {
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".~%ld.%u.tmp", static_cast<long>(::getpid()), n);
  return base + suffix;
}

std::atomic<unsigned> g_temporaryCounter{0};

// True when `name` is a temporary of the file `base` named by TemporaryName;
// its writer's pid goes to `pid`.
bool IsTemporaryOf(std::string_view name, std::string_view base, long& pid) {
  if (name.size() <= base.size() || name.substr(0, base.size()) != base) return false;
  std::string_view rest = name.substr(base.size());
  auto takeNumber = [&rest](long& value) {
    std::size_t digits = 0;
    value = 0;
    while (digits < rest.size() && digits < 12 && rest[digits] >= '0' && rest[digits] <= '9') {
      value = value * 10 + (rest[digits] - '0');
      ++digits;
    }
    if (digits == 0 || (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9'))
      return false;
    rest.remove_prefix(digits);
    return true;
  };
  long counter = 0;
  if (rest.substr(0, 2) != ".~") return false;
  rest.remove_prefix(2);
  if (!takeNumber(pid) || rest.substr(0, 1) != ".") return false;
  rest.remove_prefix(1);
  return takeNumber(counter) && rest == ".tmp";
}

// Removes the temporaries of `base` in the open folder `dirFd` that a process
// left behind when it ended in the middle of a save: regular files of this
// user whose writer no longer exists. Nothing else in the folder is touched.
void RemoveStaleTemporaries(int dirFd, const std::string& base) {
  // The folder is read with getdents64 into a buffer on the stack: opendir
  // would allocate a 32 KiB buffer and make three more calls on every save.
  alignas(8) char buffer[4096];
  for (;;) {
    const ssize_t got = ::getdents64(dirFd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      long pid = 0;
      if (!IsTemporaryOf(entry->d_name, base, pid)) continue;
      if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
      if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
        continue;  // its writer may still run
      struct stat st {};
      if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
      ::unlinkat(dirFd, entry->d_name, 0);
    }
  }
}

// Gives the unnamed file `fd` the name of a new temporary of `base` in the
// folder `dirFd`.
bool LinkUnnamedFile(int fd, int dirFd, const std::string& base, std::string& temp) {
  char procPath[64];
  std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TemporaryName(base, g_temporaryCounter.fetch_add(1));
    if (::linkat(AT_FDCWD, procPath, dirFd, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  temp.clear();
  return false;
}

// Writes `text` into a new temporary of `base` in the folder `dirFd`, with
// `mode` when given (else as the umask allows), and flushed when `flush`; the
// temporary's name (within the folder) goes to `temp`. With `unnamed`, the
// file is made without a name (O_TMPFILE) and linked only once it is
// complete, so a process killed while writing leaves nothing behind. False
// when any step fails, with errno saying why; nothing of the attempt is then
// left.
bool WriteTemporary(int dirFd, const std::string& base, std::string_view text, const mode_t* mode,
                    bool flush, bool unnamed, std::string& temp) {
  // Made for everyone the umask allows, unless a mode is given.
  const mode_t created = mode != nullptr ? 0600 : 0666;
  temp.clear();
  UniqueFd fd;
  if (unnamed) {
    fd.reset(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, created));
  } else {
    for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
      temp = TemporaryName(base, g_temporaryCounter.fetch_add(1));
      fd.reset(::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, created));
      if (!fd && errno != EEXIST) break;
    }
  }
  if (!fd) {
    temp.clear();
    return false;
  }
  bool ok = WriteAll(fd.get(), text);
  if (ok && mode != nullptr) ok = ::fchmod(fd.get(), *mode) == 0;
  if (ok && flush) ok = ::fsync(fd.get()) == 0;
  if (ok && unnamed) ok = LinkUnnamedFile(fd.get(), dirFd, base, temp);
  const int error = errno;
  if (!fd.close() && ok) {
    ok = false;
  } else {
    errno = error;
  }
  if (!ok) {
    const int why = errno;
    if (!temp.empty()) ::unlinkat(dirFd, temp.c_str(), 0);
    temp.clear();
    errno = why;
  }
  return ok;
}

bool ReplaceFile(const std::string& path, std::string_view text, bool flush, bool privateFile) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  std::string target = path;
  struct stat old {};
  bool hadOld = ::lstat(path.c_str(), &old) == 0;
  if (privateFile) {
    // Whatever is in the file's place is replaced by the rename.
    hadOld = false;
  } else if (hadOld && S_ISLNK(old.st_mode)) {
    // Replace the file a symbolic link names, not the link. (Links among the
    // folders need no resolving: the temporary file lands in the same folder
    // either way.)
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      target = resolved;
      std::free(resolved);
    }
    hadOld = ::stat(target.c_str(), &old) == 0;
  }
  const std::string_view folderPart = FolderPart(target);
  const std::string dir = folderPart.empty() ? std::string(".") : std::string(folderPart);
  const std::string base(FileNamePart(target));

  if (hadOld && !S_ISREG(old.st_mode)) {
    errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  // A file the caller may not write stays as it is, as it would with an
  // in-place write.
  if (hadOld && ::access(target.c_str(), W_OK) != 0) return false;

  // Every step works on the one folder opened here, so the temporary and the
  // rename stay in the same folder even if the path changes meanwhile. A
  // folder that may be written but not read is still written: only the
  // removal of old temporaries and the flush of the folder need reading.
  bool readable = true;
  UniqueFd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder) {
    readable = false;
    folder.reset(::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder) return false;
  }
  const int dirFd = folder.get();

  // What an earlier save that was killed halfway left behind.
  if (readable) RemoveStaleTemporaries(dirFd, base);

  // The temporary gets a name only once it is complete, where the file
  // system can make files without one; else it is named from the start.
  // Between naming and renaming a killed save can still leave it behind,
  // for the next save to remove.
  std::string temp;
  // The old file's mode is kept; a private file is its user's alone.
  const mode_t mode = privateFile ? 0600 : old.st_mode & 07777;
  const mode_t* setMode = privateFile || hadOld ? &mode : nullptr;
  bool ok = WriteTemporary(dirFd, base, text, setMode, flush, true, temp);
  // A file system that cannot make unnamed files is tried the other way;
  // a full disk or a folder that may not be written fails the same way twice.
  if (!ok && errno != ENOSPC && errno != EDQUOT && errno != EACCES && errno != EROFS)
    ok = WriteTemporary(dirFd, base, text, setMode, flush, false, temp);
  if (ok && ::renameat(dirFd, temp.c_str(), dirFd, base.c_str()) != 0) {
    const int why = errno;
    ::unlinkat(dirFd, temp.c_str(), 0);
    errno = why;
    ok = false;
  }
  // Make the rename itself durable; a folder that cannot be read changes
  // nothing about the file being complete.
  if (ok && flush && readable) ::fsync(dirFd);
  return ok;
}

}  // namespace

std::string FileWriteResult::Reason() const { return std::strerror(m_error); }

FileWriteResult WriteFileAtomically(const std::string& path, std::string_view text, bool flush) {
  return ReplaceFile(path, text, flush, false) ? FileWriteResult::Done()
                                               : FileWriteResult::Failed(errno);
}

FileWriteResult WritePrivateFileAtomically(const std::string& path, std::string_view text) {
  return ReplaceFile(path, text, true, true) ? FileWriteResult::Done()
                                             : FileWriteResult::Failed(errno);
}

FileWriteResult CommitTemporaryFile(const std::string& temp, const std::string& path,
                                    bool replace) {
  {
    UniqueFd fd(::open(temp.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0) return FileWriteResult::Failed(errno);
  }
  if (replace) {
    if (::rename(temp.c_str(), path.c_str()) != 0) return FileWriteResult::Failed(errno);
  } else if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
    // A file system without that kind of rename: a link cannot replace
    // anything either.
    if (errno != EINVAL && errno != ENOSYS) return FileWriteResult::Failed(errno);
    if (::link(temp.c_str(), path.c_str()) != 0) return FileWriteResult::Failed(errno);
    ::unlink(temp.c_str());
  }
  // The new name on the disk too.
  const std::string_view folderPart = FolderPart(path);
  const std::string dir = folderPart.empty() ? std::string(".") : std::string(folderPart);
  if (UniqueFd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folder)
    ::fsync(folder.get());
  return FileWriteResult::Done();
}

}  // namespace corvella
