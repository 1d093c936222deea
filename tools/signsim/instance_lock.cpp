#include "tools/signsim/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace signsim {

bool InstanceLock::acquire(const std::string& path, bool& inUse, std::string& error) {
  inUse = false;
  release();
  // A service that ends removes the file while it holds the lock; whoever
  // opened that file just before then locks a file nobody else will see.
  // The lock counts only when the file locked is still the one at `path`.
  const auto giveUp = std::chrono::steady_clock::now() + kLockWait;
  for (int replaced = 0; replaced < 16;) {
    base::UniqueFd fd(
        ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    struct stat opened {};
    if (!fd || ::fstat(fd.get(), &opened) != 0) {
      error = path + ": " + std::strerror(errno);
      return false;
    }
    if (!S_ISREG(opened.st_mode)) {
      error = path + " exists and is not a regular file";
      return false;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK) {
        error = path + ": " + std::strerror(errno);
        return false;
      }
      if (std::chrono::steady_clock::now() >= giveUp) {
        inUse = true;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    struct stat named {};
    if (::lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino) {
      m_path = path;
      m_fd = std::move(fd);
      return true;
    }
    ++replaced;
  }
  error = path + " keeps being replaced";
  return false;
}

void InstanceLock::release() {
  if (!m_fd) return;
  ::unlink(m_path.c_str());
  m_fd.reset();
}

}  // namespace signsim
