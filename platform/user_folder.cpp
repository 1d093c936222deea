// The checked user folder: resolved and checked once, held open, and every
// file operation done relative to the open folder without following links
// and without blocking.

#include "platform/user_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "platform/program_path.h"

namespace corvella {

using base::UniqueFd;

namespace {

// The base folder of the XDG rules for `variable` with "/corvella" added;
// empty when there is no home folder.
std::string BaseFolder(const char* variable, const char* underHome) {
  std::string base = UserBaseDirectory(variable, underHome);
  if (base.empty()) return base;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return (base == "/" ? std::string() : base) + "/corvella";
}

std::string SystemReason(int error) { return std::strerror(error); }

// A name within the folder: one path component, never "." or "..".
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// What every operation on names in the folder checks first: that the folder
// is open and that each name is a plain name within it. False with the reason.
bool ReadyFor(const base::UniqueFd& folder, std::initializer_list<const std::string*> names,
              std::string& why) {
  if (!folder) {
    why = "The folder of the program's files is not open";
    return false;
  }
  for (const std::string* name : names) {
    if (!IsPlainName(*name)) {
      why = "\"" + *name + "\" is not a file name";
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// What is wrong with the entry `st` as one of the user's own files; empty
// when nothing is.
std::string FileProblem(const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return "is a link";
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (!S_ISREG(st.st_mode)) return "is not a regular file";
  if (st.st_uid != ::geteuid()) return "is owned by another user";
  return {};
}

// Temporaries of "<name>" are ".<name>.~<pid>.<n>.tmp": hidden, so a
// listing by the name's prefix never shows them.
std::atomic<unsigned> g_temporaryCounter{0};

std::string TemporaryName(const std::string& name) {
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".~%ld.%u.tmp", static_cast<long>(::getpid()),
                g_temporaryCounter.fetch_add(1));
  return "." + name + suffix;
}

// The writer's pid when `entry` is a temporary of `name`, else 0.
long TemporaryWriter(std::string_view entry, const std::string& name) {
  const std::string head = "." + name + ".~";
  if (entry.size() <= head.size() + 4 || entry.substr(0, head.size()) != head ||
      entry.substr(entry.size() - 4) != ".tmp")
    return 0;
  entry.remove_prefix(head.size());
  long pid = 0;
  std::size_t digits = 0;
  while (digits < entry.size() && digits < 10 && entry[digits] >= '0' && entry[digits] <= '9')
    pid = pid * 10 + (entry[digits++] - '0');
  return digits > 0 && digits < entry.size() && entry[digits] == '.' ? pid : 0;
}

}  // namespace

std::string UserStateFolderPath() { return BaseFolder("XDG_STATE_HOME", ".local/state"); }
std::string UserConfigFolderPath() { return BaseFolder("XDG_CONFIG_HOME", ".config"); }

UserFolder UserFolder::Open(const std::string& path, std::string* error) {
  return Open(path, true, error);
}

UserFolder UserFolder::OpenExisting(const std::string& path, std::string* error) {
  return Open(path, false, error);
}

UserFolder UserFolder::Open(const std::string& path, bool make, std::string* error) {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  why.clear();
  UserFolder folder;
  if (path.empty()) {
    why = "There is no home folder for the program's files";
    return folder;
  }
  if (path[0] != '/') {
    why = path + " is not an absolute path";
    return folder;
  }
  // The components above the folder itself may be links (a configuration
  // folder kept elsewhere); missing ones are made for the user alone.
  std::vector<std::string> parts;
  for (std::size_t at = 0; at < path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    if (end > at) parts.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  if (parts.empty()) {
    why = "/ cannot hold the program's files";
    return folder;
  }
  UniqueFd parent(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::string reached;
  for (std::size_t i = 0; i + 1 < parts.size() && parent; ++i) {
    reached += "/" + parts[i];
    UniqueFd next(::openat(parent.get(), parts[i].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!next && errno == ENOENT) {
      if (!make) return folder;
      if (::mkdirat(parent.get(), parts[i].c_str(), 0700) != 0 && errno != EEXIST) {
        why = "Cannot make the folder " + reached + ": " + SystemReason(errno);
        return folder;
      }
      next.reset(::openat(parent.get(), parts[i].c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    if (!next) {
      why = "Cannot open the folder " + reached + ": " + SystemReason(errno);
      return folder;
    }
    parent = std::move(next);
  }
  if (!parent) {
    why = "Cannot open the folder /: " + SystemReason(errno);
    return folder;
  }
  const std::string& last = parts.back();
  if (make && ::mkdirat(parent.get(), last.c_str(), 0700) != 0 && errno != EEXIST) {
    why = "Cannot make the folder " + path + ": " + SystemReason(errno);
    return folder;
  }
  UniqueFd fd(
      ::openat(parent.get(), last.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd) {
    const int failed = errno;
    struct stat st {};
    if (::fstatat(parent.get(), last.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode)) {
      why = path + " is a link, not a folder";
    } else if (failed == ENOENT && !make) {
      return folder;
    } else if (failed == ENOTDIR) {
      why = path + " is not a folder";
    } else {
      why = "Cannot open the folder " + path + ": " + SystemReason(failed);
    }
    return folder;
  }
  // The checks are made on the folder that is open, so what they passed is
  // what every later operation uses.
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    why = "Cannot check the folder " + path + ": " + SystemReason(errno);
    return folder;
  }
  if (st.st_uid != ::geteuid()) {
    why = path + " is owned by another user";
    return folder;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    why = path + " can be written by other users";
    return folder;
  }
  // Nor may anyone else rename the folder away and put another in its
  // place between two starts: its parent must be the user's (or the
  // system's) and writable by nobody else either.
  struct stat above {};
  std::string parentPath = path.substr(0, path.rfind(last));
  if (parentPath.size() > 1) parentPath.pop_back();
  if (::fstat(parent.get(), &above) != 0) {
    why = "Cannot check the folder " + parentPath + ": " + SystemReason(errno);
    return folder;
  }
  if (above.st_uid != ::geteuid() && above.st_uid != 0) {
    why = parentPath + " is owned by another user";
    return folder;
  }
  // (A shared folder with the sticky bit, such as /tmp, lets nobody rename
  // what is not theirs.)
  if ((above.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (above.st_mode & S_ISVTX) == 0) {
    why = parentPath + " can be written by other users";
    return folder;
  }
  folder.m_fd = std::move(fd);
  folder.m_path = path;
  return folder;
}

bool UserFolder::ReadFile(const std::string& name, std::size_t maxBytes, std::string* content,
                          std::string* error) const {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  why.clear();
  if (content != nullptr) content->clear();
  if (!ReadyFor(m_fd, {&name}, why)) return false;
  const std::string shown = m_path + "/" + name;
  // Checked before opening, so nothing but a regular file is ever opened
  // (opening a device can do something); checked again on what was opened.
  struct stat before {};
  if (::fstatat(m_fd.get(), name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) why = "Cannot read " + shown + ": " + SystemReason(errno);
    return false;
  }
  if (std::string problem = FileProblem(before); !problem.empty()) {
    why = shown + " " + problem;
    return false;
  }
  UniqueFd fd(::openat(m_fd.get(), name.c_str(),
                       O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) {
    if (errno == ENOENT) return false;
    why =
        errno == ELOOP ? shown + " is a link" : "Cannot read " + shown + ": " + SystemReason(errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    why = "Cannot read " + shown + ": " + SystemReason(errno);
    return false;
  }
  if (std::string problem = FileProblem(st); !problem.empty()) {
    why = shown + " " + problem;
    return false;
  }
  const std::string tooLarge = shown + " is larger than " + std::to_string(maxBytes) + " bytes";
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    why = tooLarge;
    return false;
  }
  // The file may grow after the check: one byte more than the bound is
  // read at most, and that byte says it is too large.
  std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got > maxBytes) {
        why = tooLarge;
        return false;
      }
      bytes.resize(std::min(maxBytes + 1, std::max<std::size_t>(got * 2, 4096)));
    }
    const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      why = "Cannot read " + shown + ": " + SystemReason(errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  if (got > maxBytes) {
    why = tooLarge;
    return false;
  }
  bytes.resize(got);
  if (content != nullptr) *content = std::move(bytes);
  return true;
}

bool UserFolder::ReplaceFile(const std::string& name, std::string_view content,
                             std::string* error) const {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  why.clear();
  if (!ReadyFor(m_fd, {&name}, why)) return false;
  const std::string shown = m_path + "/" + name;
  const int dirFd = m_fd.get();

  // Temporaries that a killed save of this file left behind.
  for (const std::string& entry : List("." + name + ".~")) {
    const long pid = TemporaryWriter(entry, name);
    if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(dirFd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(dirFd, entry.c_str(), 0);
  }

  // The temporary is made without a name where the file system can, and
  // named only once complete; else it is named from the start.
  std::string temp;
  UniqueFd fd(::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  const bool unnamed = static_cast<bool>(fd);
  for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
    temp = TemporaryName(name);
    fd.reset(::openat(dirFd, temp.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd && errno != EEXIST) break;
  }
  if (!fd) {
    why = "Cannot write " + shown + ": " + SystemReason(errno);
    return false;
  }
  bool ok = WriteAll(fd.get(), content) && ::fchmod(fd.get(), 0600) == 0 && ::fsync(fd.get()) == 0;
  if (ok && unnamed) {
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd.get());
    ok = false;
    for (int attempt = 0; attempt < 100 && !ok; ++attempt) {
      temp = TemporaryName(name);
      ok = ::linkat(AT_FDCWD, procPath, dirFd, temp.c_str(), AT_SYMLINK_FOLLOW) == 0;
      if (!ok && errno != EEXIST) break;
    }
    if (!ok) temp.clear();
  }
  int failed = errno;
  if (!fd.close() && ok) {
    ok = false;
    failed = errno;
  }
  if (ok && ::renameat(dirFd, temp.c_str(), dirFd, name.c_str()) != 0) {
    ok = false;
    failed = errno;
  }
  if (!ok) {
    if (!temp.empty()) ::unlinkat(dirFd, temp.c_str(), 0);
    why = "Cannot write " + shown + ": " + SystemReason(failed);
    return false;
  }
  ::fsync(dirFd);  // the rename on the disk too
  return true;
}

base::UniqueFd UserFolder::OpenForAppend(const std::string& name, std::string* error) const {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  why.clear();
  if (!ReadyFor(m_fd, {&name}, why)) return {};
  const std::string shown = m_path + "/" + name;
  struct stat before {};
  if (::fstatat(m_fd.get(), name.c_str(), &before, AT_SYMLINK_NOFOLLOW) == 0) {
    if (std::string problem = FileProblem(before); !problem.empty()) {
      why = shown + " " + problem;
      return {};
    }
  }
  UniqueFd fd(::openat(
      m_fd.get(), name.c_str(),
      O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
  if (!fd) {
    why =
        errno == ELOOP ? shown + " is a link" : "Cannot open " + shown + ": " + SystemReason(errno);
    return {};
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    why = "Cannot open " + shown + ": " + SystemReason(errno);
    return {};
  }
  if (std::string problem = FileProblem(st); !problem.empty()) {
    why = shown + " " + problem;
    return {};
  }
  // A file an older version made readable by others becomes the user's
  // alone.
  if ((st.st_mode & 07777) != 0600 && ::fchmod(fd.get(), 0600) != 0) {
    why = "Cannot make " + shown + " private: " + SystemReason(errno);
    return {};
  }
  return fd;
}

bool UserFolder::Rename(const std::string& from, const std::string& to, std::string* error) const {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  why.clear();
  if (!ReadyFor(m_fd, {&from, &to}, why)) return false;
  if (::renameat(m_fd.get(), from.c_str(), m_fd.get(), to.c_str()) == 0) return true;
  if (errno != ENOENT)
    why = "Cannot rename " + m_path + "/" + from + " to " + to + ": " + SystemReason(errno);
  return false;
}

bool UserFolder::Remove(const std::string& name, std::string* error) const {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  why.clear();
  if (!ReadyFor(m_fd, {&name}, why)) return false;
  if (::unlinkat(m_fd.get(), name.c_str(), 0) == 0 || errno == ENOENT) return true;
  why = "Cannot remove " + m_path + "/" + name + ": " + SystemReason(errno);
  return false;
}

std::vector<std::string> UserFolder::List(std::string_view prefix) const {
  std::vector<std::string> names;
  if (!m_fd) return names;
  // A descriptor of its own: the listing's position is not shared.
  UniqueFd fd(::openat(m_fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) return names;
  DIR* dir = ::fdopendir(fd.get());
  if (dir == nullptr) return names;
  fd.release();  // the listing owns it now
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entryName(entry->d_name);
    if (entryName == "." || entryName == "..") continue;
    if (entryName.substr(0, prefix.size()) == prefix) names.emplace_back(entryName);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace corvella
