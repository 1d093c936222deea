// An owned file descriptor, closed when its owner goes: on every return path
// and when an exception passes. It moves and never copies, so a descriptor
// has one owner.
//
// base/ holds what both the request program and the sign service library
// use: it includes nothing of ours, and every folder may include it.
#pragma once

#include <unistd.h>

#include <utility>

namespace base {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }
  // Gives the descriptor up to the caller, who closes it.
  int release() { return std::exchange(m_fd, -1); }
  // Closes the descriptor held, if any, and holds `fd` instead.
  void reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }
  // Closes now and says whether close() succeeded (after a write, an error
  // here can mean the data did not reach the file); true when none is held.
  bool close() {
    const int fd = release();
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int m_fd = -1;
};

}  // namespace base
