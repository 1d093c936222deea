#include "support/ordinary_user.h"

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace corvella {

namespace {

// A user id and group id that no account or group has.
uid_t UnusedId() {
  std::random_device random;
  for (uid_t id = 50000 + random() % 10000;; id += 7) {
    if (::getpwuid(id) == nullptr && ::getgrgid(id) == nullptr) return id;
  }
}

// The home folders are "corvella-user-<pid of the test>-XXXXXX" in the
// temporary folder. Those of a test process that no longer runs (killed
// before it could remove them) are removed by the next one.
constexpr const char* kHomePrefix = "corvella-user-";

void RemoveLeftHomes(const std::filesystem::path& temp) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(temp, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kHomePrefix, 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + std::strlen(kHomePrefix), nullptr, 10);
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::filesystem::remove_all(entry.path(), ec);
  }
}

// Unsets every variable that points the body at the running user's
// session or folders: the XDG_* folders and the session bus.
void ForgetSession() {
  std::vector<std::string> names;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string entry = *variable;
    const std::string name = entry.substr(0, entry.find('='));
    if (name.rfind("XDG_", 0) == 0 || name == "DBUS_SESSION_BUS_ADDRESS") names.push_back(name);
  }
  for (const std::string& name : names) ::unsetenv(name.c_str());
}

}  // namespace

bool IsRoot() { return ::geteuid() == 0; }

int RunAsOrdinaryUser(const std::function<int()>& body) {
  if (!IsRoot()) return body();
  const uid_t id = UnusedId();
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  RemoveLeftHomes(temp);
  std::string home = temp.string() + "/" + kHomePrefix + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(home.data()) == nullptr) return 125;
  const std::string runtime = home + "/run";
  const std::string tmp = home + "/tmp";
  bool made = ::chmod(home.c_str(), 0700) == 0 && ::chown(home.c_str(), id, id) == 0;
  for (const std::string& folder : {runtime, tmp})
    made = made && ::mkdir(folder.c_str(), 0700) == 0 && ::chown(folder.c_str(), id, id) == 0;
  if (!made) {
    std::filesystem::remove_all(home);
    return 125;
  }
  std::fflush(nullptr);
  const pid_t parent = ::getpid();
  const pid_t child = ::fork();
  if (child == 0) {
    // Nothing of the running user's session: its folders and bus are not
    // this user's. Temporary files go into the home, removed with it.
    ForgetSession();
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0 ||
        ::setresuid(id, id, id) != 0 || ::geteuid() == 0) {
      std::fprintf(stderr, "cannot become user %u\n", static_cast<unsigned>(id));
      ::_exit(125);
    }
    // Ends with the test, however the test ends. Set after the change of
    // user, which clears it; a parent already gone is caught by the check.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(125);
    const int result = body();
    std::fflush(nullptr);
    ::_exit(result);
  }
  int status = 125;
  if (child > 0) {
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  return status;
}

}  // namespace corvella
