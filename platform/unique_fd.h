#pragma once
// An owned file descriptor, closed when its owner goes: on every return path
// and when an exception passes. It moves and never copies, so a descriptor
// has one owner. (The sign service library has its own in zeltrpc/rpc/: it
// includes nothing of the program.)

#include <unistd.h>

#include <utility>

namespace corvella {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return m_fd; }
  explicit operator bool() const { return m_fd >= 0; }
  // Gives the descriptor up to the caller, who closes it.
  int Release() { return std::exchange(m_fd, -1); }
  // Closes the descriptor held, if any, and holds `fd` instead.
  void Reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }
  // Closes now and says whether close() succeeded (after a write, an error
  // here can mean the data did not reach the file); true when none is held.
  bool Close() {
    const int fd = Release();
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int m_fd = -1;
};

}  // namespace corvella
