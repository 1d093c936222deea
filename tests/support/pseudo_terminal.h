#pragma once
// Test support: a pseudo-terminal pair standing in for a serial line. The
// program opens the slave through CORVELLA_COM<n>; the test reads what was
// sent from the master and looks at the line settings through a slave
// descriptor of its own (held open so the settings live as long as the test).

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace corvella {

class PseudoTerminal {
 public:
  PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0) throw std::runtime_error("no ptsname");
    m_slavePath = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) throw std::runtime_error("cannot open " + m_slavePath);
  }
  ~PseudoTerminal() {
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
  }
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  const std::string& SlavePath() const { return m_slavePath; }
  int Master() const { return m_master; }

  // The line settings as the slave sees them now.
  termios Settings() const {
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    return tio;
  }

  // Reads from the master until `count` bytes have come or no byte comes
  // for `waitMs`; returns what came.
  std::string Read(std::size_t count, int waitMs = 5000) const {
    std::string out;
    while (out.size() < count) {
      pollfd p{m_master, POLLIN, 0};
      if (::poll(&p, 1, waitMs) <= 0 || (p.revents & POLLIN) == 0) break;
      char buffer[4096];
      const std::size_t want =
          count - out.size() < sizeof buffer ? count - out.size() : sizeof buffer;
      const ssize_t n = ::read(m_master, buffer, want);
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
  }

  // True when bytes wait at the master right now (the program writes
  // synchronously, so anything it sent is there when it returns).
  bool HasPending() const {
    pollfd p{m_master, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
  }

 private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_slavePath;
};

}  // namespace corvella
