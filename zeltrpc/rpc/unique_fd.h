// An owned file descriptor, closed when its owner goes: on every return path
// and when an exception passes. It moves and never copies, so a descriptor
// has one owner. (The request program has its own in platform/: the library
// includes nothing outside zeltrpc/.)
#pragma once

#include <unistd.h>

#include <utility>

namespace zeltrpc::rpc {

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

 private:
  int m_fd = -1;
};

}  // namespace zeltrpc::rpc
