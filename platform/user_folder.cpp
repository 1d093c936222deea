#include "platform/user_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace corvella {

namespace {

std::string Home() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    return pw->pw_dir;
  return {};
}

std::string Base(const char* variable, const char* fallback) {
  if (const char* value = std::getenv(variable); value && value[0] == '/')
    return std::string(value) + "/corvella";
  const std::string home = Home();
  return home.empty() ? std::string() : home + fallback + "/corvella";
}

std::string Reason(const std::string& path, const char* what) { return path + ": " + what; }

// A regular file of the user's own, opened without following a link or
// waiting on a FIFO.
base::UniqueFd OpenRegular(int dirFd, const std::string& name, int flags, std::string* error) {
  base::UniqueFd fd(
      ::openat(dirFd, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
  if (!fd) {
    if (error) *error = errno == ENOENT ? std::string() : name + ": " + std::strerror(errno);
    return {};
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = name + ": not a regular file";
    return {};
  }
  if (st.st_uid != ::geteuid()) {
    if (error) *error = name + ": owned by another user";
    return {};
  }
  const int fl = ::fcntl(fd.get(), F_GETFL);
  if (fl >= 0) ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK);
  return fd;
}

}  // namespace

std::string UserStateFolderPath() { return Base("XDG_STATE_HOME", "/.local/state"); }
std::string UserConfigFolderPath() { return Base("XDG_CONFIG_HOME", "/.config"); }

UserFolder UserFolder::Open(const std::string& path, std::string* error) {
  UserFolder folder;
  if (path.empty() || path[0] != '/') {
    if (error) *error = Reason(path, "is not an absolute folder path");
    return folder;
  }
  // Made with its missing parents; only the last one must be ours alone.
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0700);
  ::mkdir(path.c_str(), 0700);
  base::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd) {
    if (error) *error = Reason(path, std::strerror(errno));
    return folder;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = Reason(path, "is not a folder");
    return folder;
  }
  if (st.st_uid != ::geteuid()) {
    if (error) *error = Reason(path, "is owned by another user");
    return folder;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    if (error) *error = Reason(path, "may be written by other users");
    return folder;
  }
  folder.m_fd = std::move(fd);
  folder.m_path = path;
  return folder;
}

bool UserFolder::ReadFile(const std::string& name, std::size_t maxBytes, std::string* content,
                          std::string* error) const {
  content->clear();
  if (error) error->clear();
  if (!IsOpen()) {
    if (error) *error = "the folder is not open";
    return false;
  }
  base::UniqueFd fd = OpenRegular(m_fd.get(), name, O_RDONLY, error);
  if (!fd) return false;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || static_cast<std::size_t>(st.st_size) > maxBytes) {
    if (error) *error = name + ": too large";
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (error) *error = name + ": " + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    content->append(buffer, static_cast<std::size_t>(n));
    if (content->size() > maxBytes) {
      if (error) *error = name + ": too large";
      return false;
    }
  }
  return true;
}

bool UserFolder::ReplaceFile(const std::string& name, std::string_view content,
                             std::string* error) const {
  if (!IsOpen()) {
    if (error) *error = "the folder is not open";
    return false;
  }
  const std::string temporary = "." + name + ".new";
  ::unlinkat(m_fd.get(), temporary.c_str(), 0);
  base::UniqueFd fd(::openat(m_fd.get(), temporary.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  bool ok = static_cast<bool>(fd);
  std::size_t done = 0;
  while (ok && done < content.size()) {
    const ssize_t n = ::write(fd.get(), content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ok && ::fsync(fd.get()) == 0;
  ok = ok && ::renameat(m_fd.get(), temporary.c_str(), m_fd.get(), name.c_str()) == 0;
  if (!ok) {
    if (error) *error = name + ": " + std::strerror(errno);
    ::unlinkat(m_fd.get(), temporary.c_str(), 0);
  }
  return ok;
}

base::UniqueFd UserFolder::OpenForAppend(const std::string& name, std::string* error) const {
  if (!IsOpen()) {
    if (error) *error = "the folder is not open";
    return {};
  }
  std::string why;
  base::UniqueFd fd = OpenRegular(m_fd.get(), name, O_WRONLY | O_APPEND | O_CREAT, &why);
  if (!fd && error) *error = why.empty() ? name + ": cannot be made" : why;
  return fd;
}

bool UserFolder::Rename(const std::string& from, const std::string& to, std::string* error) const {
  if (error) error->clear();
  if (::renameat(m_fd.get(), from.c_str(), m_fd.get(), to.c_str()) == 0) return true;
  if (errno != ENOENT && error) *error = from + " -> " + to + ": " + std::strerror(errno);
  return false;
}

bool UserFolder::Remove(const std::string& name, std::string* error) const {
  if (error) error->clear();
  if (::unlinkat(m_fd.get(), name.c_str(), 0) == 0 || errno == ENOENT) return true;
  if (error) *error = name + ": " + std::strerror(errno);
  return false;
}

std::vector<std::string> UserFolder::List(std::string_view prefix) const {
  std::vector<std::string> names;
  if (!IsOpen()) return names;
  const int copy = ::openat(m_fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (copy < 0) return names;
  DIR* dir = ::fdopendir(copy);
  if (!dir) {
    ::close(copy);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != ".." && name.substr(0, prefix.size()) == prefix)
      names.emplace_back(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace corvella
