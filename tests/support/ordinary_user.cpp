#include "support/ordinary_user.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace corvella {

namespace {

// A user id and group id that no account or group has.
uid_t UnusedId() {
  std::random_device random;
  for (uid_t id = 50000 + random() % 10000;; id += 7) {
    if (::getpwuid(id) == nullptr && ::getgrgid(id) == nullptr) return id;
  }
}

}  // namespace

bool IsRoot() { return ::geteuid() == 0; }

int RunAsOrdinaryUser(const std::function<int()>& body) {
  if (!IsRoot()) return body();
  const uid_t id = UnusedId();
  std::string home = std::filesystem::temp_directory_path().string() + "/corvella-user-XXXXXX";
  if (::mkdtemp(home.data()) == nullptr) return 125;
  const std::string runtime = home + "/run";
  if (::mkdir(runtime.c_str(), 0700) != 0 || ::chown(home.c_str(), id, id) != 0 ||
      ::chown(runtime.c_str(), id, id) != 0 || ::chmod(home.c_str(), 0700) != 0) {
    std::filesystem::remove_all(home);
    return 125;
  }
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    if (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0 ||
        ::setresuid(id, id, id) != 0 || ::geteuid() == 0) {
      std::fprintf(stderr, "cannot become user %u\n", static_cast<unsigned>(id));
      ::_exit(125);
    }
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
