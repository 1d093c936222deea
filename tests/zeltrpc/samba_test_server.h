// A real Samba smbd for the tests of the ncacn_np carrier: a standalone
// server on a free loopback port with every file it keeps (configuration,
// password database, locks, logs, its `ncalrpc dir`) under one temporary
// folder, and one throw-away user "zop" that exists only there: the user's
// Unix account comes from a passwd file in that folder through nss_wrapper,
// its password from smbpasswd into the folder's own database. Nothing of the
// system's configuration is read or changed.
//
// smbd runs in the foreground as the leader of its own process group; stop()
// ends the group, and smbd ends it itself on the SIGTERM it gets when the
// test's process goes, so no smbd outlives the test. signsim --samba-pipe (or an
// embedded SignServer with Options::sambaPipe = ncalrpcDir()) serves the pipe.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/tied_child.h"

extern char** environ;

namespace zeltrpc_test {

inline constexpr const char* kSambaUser = "zop";
inline constexpr const char* kSambaPassword = "Pw-41d7a2-harbour";

// The server settings the tests run in: the smb.conf lines each adds, and
// what smbstatus then shows in a session's line (empty: nothing asked).
struct SambaSetting {
  const char* name;
  const char* lines;
  const char* shows;
};
inline const SambaSetting kSambaSettings[] = {
    {"default", "", ""},
    {"signing", "server signing = mandatory\n", " AES-128-GMAC"},
    {"encryption", "smb encrypt = required\n", " AES-128-GCM "},
};

class SambaTestServer {
 public:
  SambaTestServer() = default;
  SambaTestServer(const SambaTestServer&) = delete;
  SambaTestServer& operator=(const SambaTestServer&) = delete;
  ~SambaTestServer() { stop(); }

  // Empty when smbd can start here, else why not (for GTEST_SKIP).
  static std::string unavailable() {
    if (::access(SAMBA_SMBD, X_OK) != 0) return "no " SAMBA_SMBD " (package samba)";
    if (::access(SAMBA_NSS_WRAPPER, R_OK) != 0) return "no " SAMBA_NSS_WRAPPER;
    if (::geteuid() != 0) return "smbd serves sessions only when started as root";
    return {};
  }

  // Writes the configuration (the setting's lines and `extraLines`) and the
  // user under `base` (made if missing), then starts smbd and waits until it
  // accepts connections.
  bool start(const std::string& base, const SambaSetting& setting, std::string& error,
             const std::string& extraLines = {}) {
    m_base = base;
    for (const char* sub : {"", "/private", "/lock", "/state", "/cache", "/pid", "/ncalrpc",
                            "/binddns", "/usershare"})
      ::mkdir((base + sub).c_str(), 0700);
    m_port = freePort();
    std::ostringstream conf;
    conf << "[global]\n"
         << "server role = standalone server\n"
         << "smb ports = " << m_port << "\n"
         << "interfaces = lo\nbind interfaces only = yes\ndisable netbios = yes\n"
         << "server min protocol = SMB2_02\nmap to guest = never\nrestrict anonymous = 2\n"
         << "passdb backend = tdbsam:" << base << "/private/passdb.tdb\n";
    for (const char* dir : {"private dir", "lock directory", "state directory", "cache directory",
                            "pid directory", "ncalrpc dir", "binddns dir"})
      conf << dir << " = " << base << "/" << std::string(dir, std::strchr(dir, ' ')) << "\n";
    conf << "usershare path = " << base << "/usershare\n"
         << "log file = " << base << "/log.smbd\nmax log size = 0\n"
         << "load printers = no\nprinting = bsd\nprintcap name = /dev/null\n"
         << "disable spoolss = yes\nrpc start on demand helpers = no\n"
         << setting.lines << extraLines;
    std::ofstream(base + "/smb.conf") << conf.str();
    // The throw-away user: a passwd and group file of the system's entries
    // and one more, seen only by the Samba programs started here.
    std::ifstream passwd("/etc/passwd"), group("/etc/group");
    std::ofstream(base + "/passwd")
        << passwd.rdbuf() << "zop:x:60123:60123:zeltrpc test:/nonexistent:/bin/false\n";
    std::ofstream(base + "/group") << group.rdbuf() << "zop:x:60123:\n";
    const std::string twice = std::string(kSambaPassword) + "\n" + kSambaPassword + "\n";
    if (run({SAMBA_SMBPASSWD, "-c", base + "/smb.conf", "-s", "-a", kSambaUser}, twice) != 0) {
      error = "smbpasswd could not add the test user";
      return false;
    }
    return startSmbd(error);
  }

  // Starts smbd again after stop(), on the same port and folder.
  bool restart(std::string& error) {
    stop();
    return startSmbd(error);
  }

  // Ends smbd and every process of its group.
  void stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(-m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Any child the parent did not take with it; then wait (briefly) until
    // the group is gone, so that no child still writes into the folder
    // while the test removes it.
    ::kill(-m_pid, SIGKILL);
    for (int i = 0; i < 200 && groupRuns(m_pid); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_pid = -1;
  }

  // smbstatus's line of each session (user, protocol, encryption, signing).
  std::string sessions() const {
    run({SAMBA_SMBSTATUS, "-s", m_base + "/smb.conf", "-b"}, "", "/sessions.out");
    std::ifstream in(m_base + "/sessions.out");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // The request counts of smbd's profile (smbstatus --profile), by name
  // ("smb2_read_count" ...), summed over its processes; needs
  // "smbd profiling level = on" among the lines given to start(). 0 for a
  // name the profile does not show.
  uint64_t profileCount(const std::string& name) const {
    run({SAMBA_SMBSTATUS, "-s", m_base + "/smb.conf", "-P"}, "", "/profile.out");
    std::ifstream in(m_base + "/profile.out");
    std::string line;
    while (std::getline(in, line)) {
      const size_t colon = line.find(':');
      if (colon == std::string::npos) continue;
      std::string key = line.substr(0, colon);
      while (!key.empty() && key.back() == ' ') key.pop_back();
      if (key == name) return std::strtoull(line.c_str() + colon + 1, nullptr, 10);
    }
    return 0;
  }

  uint16_t port() const { return m_port; }
  std::string ncalrpcDir() const { return m_base + "/ncalrpc"; }
  std::string log() const {
    std::ifstream in(m_base + "/log.smbd");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  // True while a process of group `pgid` runs (an exited one that its new
  // parent has not reaped yet does not count).
  static bool groupRuns(pid_t pgid) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
      std::ifstream in(entry.path() / "stat");
      std::string line;
      if (!std::getline(in, line)) continue;
      // pid (comm) state ppid pgrp ...; comm may hold spaces and parentheses.
      const size_t close = line.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream rest(line.substr(close + 1));
      char state = 0;
      long ppid = 0, group = 0;
      if (rest >> state >> ppid >> group && group == pgid && state != 'Z' && state != 'X')
        return true;
    }
    return false;
  }

  static uint16_t freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
  }

  std::vector<std::string> wrapperEnvironment() const {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.push_back(std::string("LD_PRELOAD=") + SAMBA_NSS_WRAPPER);
    env.push_back("NSS_WRAPPER_PASSWD=" + m_base + "/passwd");
    env.push_back("NSS_WRAPPER_GROUP=" + m_base + "/group");
    return env;
  }

  // smbd and its tools end with the process that runs the test.
  pid_t spawn(std::vector<std::string> args, int in, int out) const {
    return spawnTiedChild(std::move(args), wrapperEnvironment(), {}, in, out, out);
  }

  // Runs a program with `input` on its standard input and its output in the
  // file `log` of the folder; its exit status.
  int run(std::vector<std::string> args, const std::string& input,
          const char* log = "/setup.log") const {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
    const int out = ::open((m_base + log).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = spawn(std::move(args), fds[0], out);
    ::close(fds[0]);
    ::close(out);
    (void)!::write(fds[1], input.data(), input.size());
    ::close(fds[1]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  bool startSmbd(std::string& error) {
    const int out =
        ::open((m_base + "/smbd.out").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    m_pid = spawn({SAMBA_SMBD, "-F", "--debug-stdout", "-d1", "-s", m_base + "/smb.conf"}, -1, out);
    ::close(out);
    if (m_pid < 0) {
      error = "cannot start " SAMBA_SMBD;
      return false;
    }
    // Ready once it accepts a connection on its port (up to 30 s, for
    // loaded machines).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        break;
      }
      int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a.sin_port = htons(m_port);
      const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
      ::close(fd);
      if (up) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream in(m_base + "/smbd.out");
    error = "smbd did not start: " +
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    stop();
    return false;
  }

  std::string m_base;
  uint16_t m_port = 0;
  pid_t m_pid = -1;
};

}  // namespace zeltrpc_test
