// Starts a helper program (a server for tests or benchmarks) as a child that
// ends with the process that started it, however that process ends: a
// crash, a kill, an exit that skips the destructors. The kernel sends the
// child SIGTERM when its parent goes (PR_SET_PDEATHSIG); servers that stop
// their own children on SIGTERM (smbd ends its process group) take those
// with them.
//
// The signal is tied to the thread that forked, not only to the process: call
// this from a thread that lives as long as the child should (the main thread).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace zeltrpc_test {

// Runs `args` (args[0] the program's path) with the environment `env`, in
// `cwd` unless it is empty, with standard input from `in` (none: -1, the
// child's stays /dev/null) and standard output and error to `out` and `err`.
// Returns the child's pid, or -1.
inline pid_t spawnTiedChild(std::vector<std::string> args, std::vector<std::string> env,
                            const std::string& cwd, int in, int out, int err) {
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls until exec.
  if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(127);
  if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) ::_exit(127);
  if (in < 0) in = ::open("/dev/null", O_RDONLY);
  if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
  // The child's own signal state starts plain whatever its parent blocked.
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execve(argv[0], argv.data(), envp.data());
  ::_exit(127);
}

}  // namespace zeltrpc_test
