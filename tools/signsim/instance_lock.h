// Keeps a second service off an endpoint. The service holds an exclusive
// flock on a lock file beside its socket for as long as it runs; the kernel
// lets the lock go when the process ends, however it ends, so a service
// restarted after a crash or SIGKILL finds the endpoint free at once, and a
// live one is never taken for dead (a connect to its socket is no proof
// either way while a process dies).
#pragma once

#include <chrono>
#include <string>

#include "base/unique_fd.h"

namespace signsim {

inline constexpr std::chrono::seconds kLockWait{2};

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock on `path`, making the file (mode 0600) when missing. Never
  // follows a link and never blocks on the file (a FIFO or device there is
  // refused). A lock held by another process is waited for up to kLockWait:
  // a process killed a moment ago holds it until it has quite ended. False
  // with `inUse` set when the other process still holds it then; false with
  // `error` saying why when the file cannot be used.
  bool acquire(const std::string& path, bool& inUse, std::string& error);
  // Removes the lock file, then lets the lock go. Safe to call twice.
  void release();
  bool held() const { return static_cast<bool>(m_fd); }

 private:
  std::string m_path;
  base::UniqueFd m_fd;
};

}  // namespace signsim
