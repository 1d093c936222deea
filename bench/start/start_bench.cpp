// Starts two programs in turn under the X server of $DISPLAY and measures
// each start:
//
//   start      from the fork that execs the program to the X server mapping
//              its first top-level window (MapNotify of a window whose
//              _NET_WM_PID is the program's)
//   CPU        the CPU time the program's threads ran until then (less
//              moved by other load on the machine than the start)
//   peak RSS   the program's peak resident memory (the kernel's maxrss of
//              the ended process), after it has sat idle for a while
//   libraries  the shared objects mapped once it has settled
//   wake-ups   (one run each) the context switches of all its threads while
//              it sits idle: each one is a wake-up, from a timer or a poll
//
//   start_bench [--runs N] [--settle MS] [--idle S] --floor PROGRAM [ARG...]
//               --program PROGRAM [ARG...]
//
// The two programs alternate, after one start of each that is not counted
// (it fills the file cache). Prints every run, the medians and the ratios of
// the program to the floor. Each program is ended with SIGTERM.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int runs = 6;
  int settleMs = 2000;
  int idleSeconds = 10;
  std::vector<std::string> floor;
  std::vector<std::string> program;
};

struct RunResult {
  double startMs = 0;
  double cpuMs = 0;  // CPU time of the program until its window was mapped
  long peakKb = 0;
  int libraries = 0;
  long wakeups = -1;  // not measured
};

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "start_bench: %s\n", text.c_str());
  std::exit(1);
}

// The process id the window `window` carries in _NET_WM_PID, or -1.
long WindowPid(Display* display, Window window) {
  static const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32 && count == 1)
    pid = *reinterpret_cast<long*>(data);
  if (data != nullptr) XFree(data);
  return pid;
}

// The CPU time all threads of `pid` have run so far, in milliseconds (the
// scheduler's own account, in nanoseconds, of each thread).
double CpuMs(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = ::opendir(tasks.c_str());
  if (dir == nullptr) return 0;
  double sum = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
    double ns = 0;
    if (schedstat >> ns) sum += ns / 1e6;
  }
  ::closedir(dir);
  return sum;
}

// The sum of voluntary and involuntary context switches of every thread of
// `pid`.
long ContextSwitches(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = ::opendir(tasks.c_str());
  if (dir == nullptr) return 0;
  long sum = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream status(tasks + "/" + entry->d_name + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
          line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
        sum += std::atol(line.substr(line.find(':') + 1).c_str());
    }
  }
  ::closedir(dir);
  return sum;
}

// How many distinct shared objects `pid` has mapped.
int MappedLibraries(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::set<std::string> names;
  std::string line;
  while (std::getline(maps, line)) {
    const auto slash = line.find('/');
    if (slash == std::string::npos) continue;
    const std::string path = line.substr(slash);
    if (path.find(".so") != std::string::npos) names.insert(path);
  }
  return static_cast<int>(names.size());
}

RunResult RunOnce(Display* display, const std::vector<std::string>& command, int settleMs,
                  int idleSeconds) {
  XSync(display, True);  // forget the events of earlier runs
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);

  const Clock::time_point started = Clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) Fail("fork failed");
  if (pid == 0) {
    ::execvp(argv[0], argv.data());
    std::perror(argv[0]);
    ::_exit(127);
  }

  RunResult result;
  const int xfd = ConnectionNumber(display);
  bool mapped = false;
  while (!mapped) {
    while (!mapped && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify || event.xmap.override_redirect) continue;
      if (WindowPid(display, event.xmap.window) != pid) continue;
      result.startMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
      result.cpuMs = CpuMs(pid);
      mapped = true;
    }
    if (mapped) break;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid)
      Fail(command[0] + " ended before its window showed");
    if (Clock::now() - started > std::chrono::seconds(30)) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      Fail(command[0] + " showed no window within 30 s");
    }
    pollfd p{xfd, POLLIN, 0};
    ::poll(&p, 1, 50);
  }

  std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
  result.libraries = MappedLibraries(pid);
  if (idleSeconds > 0) {
    const long before = ContextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    result.wakeups = ContextSwitches(pid) - before;
  }
  ::kill(pid, SIGTERM);
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) Fail("wait4 failed");
  result.peakKb = usage.ru_maxrss;
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  std::vector<std::string>* command = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == "--floor") {
      command = &options.floor;
    } else if (word == "--program") {
      command = &options.program;
    } else if (command == nullptr && word == "--runs" && hasValue) {
      options.runs = std::atoi(argv[++i]);
    } else if (command == nullptr && word == "--settle" && hasValue) {
      options.settleMs = std::atoi(argv[++i]);
    } else if (command == nullptr && word == "--idle" && hasValue) {
      options.idleSeconds = std::atoi(argv[++i]);
    } else if (command != nullptr) {
      command->push_back(word);
    } else {
      Fail("unknown option " + word);
    }
  }
  if (options.floor.empty() || options.program.empty() || options.runs < 1)
    Fail(
        "usage: start_bench [--runs N] [--settle MS] [--idle S] --floor PROGRAM [ARG...] "
        "--program PROGRAM [ARG...]");
  return options;
}

std::string Name(const std::vector<std::string>& command) {
  const std::string& path = command[0];
  return path.substr(path.rfind('/') + 1);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) Fail("no X server at $DISPLAY");
  ::fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);

  const std::vector<std::string>* commands[] = {&options.floor, &options.program};
  for (const auto* command : commands) RunOnce(display, *command, options.settleMs, 0);

  std::vector<RunResult> results[2];
  for (int run = 0; run < options.runs; ++run) {
    for (int which = 0; which < 2; ++which) {
      // The idle wake-ups are counted on the last run of each.
      const int idle = run == options.runs - 1 ? options.idleSeconds : 0;
      const RunResult r = RunOnce(display, *commands[which], options.settleMs, idle);
      std::printf("run %d %-14s start %7.1f ms  CPU %6.1f ms  peak RSS %6.1f MB  libraries %3d",
                  run + 1, Name(*commands[which]).c_str(), r.startMs, r.cpuMs, r.peakKb / 1024.0,
                  r.libraries);
      if (r.wakeups >= 0) std::printf("  wake-ups %ld in %d s", r.wakeups, idle);
      std::printf("\n");
      std::fflush(stdout);
      results[which].push_back(r);
    }
  }

  double start[2], cpu[2], peak[2];
  for (int which = 0; which < 2; ++which) {
    std::vector<double> starts, cpus, peaks;
    for (const RunResult& r : results[which]) {
      starts.push_back(r.startMs);
      cpus.push_back(r.cpuMs);
      peaks.push_back(r.peakKb / 1024.0);
    }
    start[which] = Median(starts);
    cpu[which] = Median(cpus);
    peak[which] = Median(peaks);
    std::printf("median %-11s start %7.1f ms  CPU %6.1f ms  peak RSS %6.1f MB  libraries %3d",
                Name(*commands[which]).c_str(), start[which], cpu[which], peak[which],
                results[which].back().libraries);
    if (results[which].back().wakeups >= 0)
      std::printf("  wake-ups %ld in %d s", results[which].back().wakeups, options.idleSeconds);
    std::printf("\n");
  }
  std::printf("ratio start %.2f x  CPU %.2f x  peak RSS %.2f x  (medians of %d alternating runs)\n",
              start[1] / start[0], cpu[1] / cpu[0], peak[1] / peak[0], options.runs);
  XCloseDisplay(display);
  return 0;
}
