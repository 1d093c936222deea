// A real SMB server for the tests of the ncacn_np carrier: impacket's SMB
// server as a child process on a free loopback port, its pipe `zeltrpc`
// forwarded to signsim's TCP socket, one NTLM user "op" with the password
// kSmbTestPassword. Started and stopped by each test; its readiness is the
// "ready PORT" line it prints once it listens.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/tied_child.h"

extern char** environ;

namespace zeltrpc_test {

inline constexpr const char* kSmbTestPassword = "Pw-7c1b9e-sesame";

class SmbTestServer {
 public:
  SmbTestServer() = default;
  SmbTestServer(const SmbTestServer&) = delete;
  SmbTestServer& operator=(const SmbTestServer&) = delete;
  ~SmbTestServer() { stop(); }

  // Empty when the server can run here, else why not (for GTEST_SKIP).
  static std::string unavailable() {
    if (::access(SMB_TEST_PYTHON, X_OK) != 0) return "no " SMB_TEST_PYTHON " with impacket";
    return {};
  }

  // Starts the server forwarding the pipe to 127.0.0.1:`forwardPort`, in a
  // new empty folder "smb-server" (plus the listen address) inside
  // `workDir`; waits (up to 30 s, for loaded machines) until it listens on
  // `listen` (127.0.0.1 or ::1).
  bool start(uint16_t forwardPort, const std::string& workDir, std::string& error,
             std::string listen = "127.0.0.1") {
    const std::string cwd = workDir + "/smb-server-" + listen;
    if (::mkdir(cwd.c_str(), 0700) != 0) {
      error = "cannot make " + cwd;
      return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    std::string script = SMB_TEST_SCRIPT, port = std::to_string(forwardPort);
    std::string python = SMB_TEST_PYTHON;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back(std::string("SMB_TEST_PASSWORD=") + kSmbTestPassword);
    // The server ends with the process that started it.
    m_pid = spawnTiedChild({python, script, port, "op", listen}, std::move(env), cwd, -1, fds[1],
                           fds[1]);
    const int rc = m_pid > 0 ? 0 : -1;
    ::close(fds[1]);
    m_out = fds[0];
    if (rc != 0) {
      m_pid = -1;
      error = "cannot start " + python;
      return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      if (size_t at = m_output.find("ready ");
          at != std::string::npos && m_output.find('\n', at) != std::string::npos) {
        m_port = static_cast<uint16_t>(std::atoi(m_output.c_str() + at + 6));
        return true;
      }
      if (!readSome(100)) break;
    }
    error = "the SMB server did not start: " + m_output;
    return false;
  }

  void stop() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
      m_pid = -1;
    }
    if (m_out >= 0) {
      while (readSome(0)) {
      }
      ::close(m_out);
      m_out = -1;
    }
  }

  uint16_t port() const { return m_port; }
  // Everything the server printed so far.
  std::string output() {
    while (m_out >= 0 && readSome(0)) {
    }
    return m_output;
  }

 private:
  bool readSome(int waitMs) {
    pollfd p{m_out, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0) return waitMs > 0;  // nothing yet: keep waiting
    char buf[4096];
    ssize_t n = ::read(m_out, buf, sizeof buf);
    if (n <= 0) return false;
    m_output.append(buf, static_cast<size_t>(n));
    return true;
  }

  pid_t m_pid = -1;
  int m_out = -1;
  uint16_t m_port = 0;
  std::string m_output;
};

}  // namespace zeltrpc_test
