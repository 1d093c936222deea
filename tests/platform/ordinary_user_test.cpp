// The suite's throw-away user: its body sees none of the running user's
// session, keeps its temporary files in its own home, and does not outlive
// the test that started it.

#include "support/ordinary_user.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace corvella {
namespace {

// Whether the process runs (a zombie waiting to be reaped does not).
bool Runs(int pid) {
  std::FILE* stat = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
  if (stat == nullptr) return false;
  char state = 'Z';
  const int got = std::fscanf(stat, "%*d (%*[^)]) %c", &state);
  std::fclose(stat);
  return got == 1 && state != 'Z' && state != 'X';
}

TEST(OrdinaryUser, BodyHasNoSessionAndEndsWithItsTest) {
  if (!IsRoot()) GTEST_SKIP() << "the body runs here when not root";
  ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/0/bus", 1);
  ::setenv("XDG_CONFIG_HOME", "/root/.config", 1);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  // A test process whose body is still running when it is killed.
  const pid_t test = ::fork();
  if (test == 0) {
    ::close(report[0]);
    RunAsOrdinaryUser([&report] {
      const char* home = std::getenv("HOME");
      const char* tmp = std::getenv("TMPDIR");
      const bool apart = home != nullptr && tmp != nullptr &&
                         std::string(tmp).rfind(std::string(home) + "/", 0) == 0 &&
                         std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr &&
                         std::getenv("XDG_CONFIG_HOME") == nullptr;
      char line[64];
      const int n =
          std::snprintf(line, sizeof line, "%d %d\n", static_cast<int>(::getpid()), apart ? 1 : 0);
      if (::write(report[1], line, static_cast<std::size_t>(n)) != n) return 1;
      for (;;) ::pause();
    });
    ::_exit(0);
  }
  ::close(report[1]);
  ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
  ::unsetenv("XDG_CONFIG_HOME");
  char line[64] = {};
  ASSERT_GT(::read(report[0], line, sizeof line - 1), 0);
  ::close(report[0]);
  int body = 0, apart = 0;
  ASSERT_EQ(std::sscanf(line, "%d %d", &body, &apart), 2);
  EXPECT_EQ(apart, 1);

  ASSERT_EQ(::kill(test, SIGKILL), 0);
  ASSERT_EQ(::waitpid(test, nullptr, 0), test);
  // The body goes too (it is not our child: it is reaped by whoever
  // inherits it, so wait until it is gone).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Runs(body) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(Runs(body)) << "the body outlived its test";
  // What the killed test could not remove.
  const std::string left = "corvella-user-" + std::to_string(test) + "-";
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::temp_directory_path(), ec)) {
    if (entry.path().filename().string().rfind(left, 0) == 0)
      std::filesystem::remove_all(entry.path(), ec);
  }
}

}  // namespace
}  // namespace corvella
