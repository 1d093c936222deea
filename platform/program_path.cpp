#include "platform/program_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/unique_fd.h"
#include "platform/file_path.h"

#ifndef CORVELLA_EXAMPLES_FROM_BIN
#define CORVELLA_EXAMPLES_FROM_BIN "../share/corvella/examples"
#endif

namespace corvella {

using base::UniqueFd;
namespace {

constexpr const char* kConfigName = "CORVELLA.INI";

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// $HOME, else (HOME unset: a service, a bare sudo) the account's home folder.
std::string HomeFolder() {
  std::string home = Env("HOME");
  if (home.empty()) {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr)
      home = found->pw_dir;
  }
  return home;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// mkdir -p; the folders made are private to the user.
bool MakeDirectories(const std::string& dir, std::string* error) {
  std::string path;
  std::size_t pos = 0;
  while (pos < dir.size()) {
    std::size_t next = dir.find('/', pos + 1);
    if (next == std::string::npos) next = dir.size();
    path = dir.substr(0, next);
    pos = next;
    if (path.empty() || path == "/") continue;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = SystemError("Cannot create the folder", path);
      return false;
    }
  }
  if (!IsDirectory(dir)) {
    errno = ENOTDIR;
    *error = SystemError("Cannot create the folder", dir);
    return false;
  }
  return true;
}

bool ReadWhole(const std::string& path, std::string* text) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return false;
  text->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    text->append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return ::fsync(fd) == 0;
}

// Copies `from` to `to` unless `to` exists. The copy is written to a
// temporary name and linked into place, so `to` is never seen half-written
// and a file another start put there first is kept.
bool CopyIfMissing(const std::string& from, const std::string& to, std::string* error) {
  if (::access(to.c_str(), F_OK) == 0) return true;
  std::string text;
  if (!ReadWhole(from, &text)) {
    *error = SystemError("Cannot read", from);
    return false;
  }
  std::string temp = to + ".XXXXXX";
  UniqueFd fd(::mkstemp(temp.data()));
  if (!fd) {
    *error = SystemError("Cannot write", to);
    return false;
  }
  // mkstemp makes the file private; a seeded file gets the modes the
  // program's own files get (0666 less the umask).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const bool written = ::fchmod(fd.get(), 0666 & ~mask) == 0 && WriteAll(fd.get(), text);
  fd.reset();
  bool ok = written;
  if (ok && ::link(temp.c_str(), to.c_str()) != 0 && errno != EEXIST) {
    // A file system without hard links: create the file exclusively instead.
    const UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    ok = out ? WriteAll(out.get(), text) : errno == EEXIST;
  }
  const int saved = errno;
  ::unlink(temp.c_str());
  errno = saved;
  if (!ok) *error = SystemError("Cannot write", to);
  return ok;
}

}  // namespace

std::string ChooseProgramDirectory(const ProgramLocations& where, bool* perUser) {
  if (perUser != nullptr) *perUser = false;
  if (!where.corvellaDir.empty()) return WithSlash(where.corvellaDir);
  if (!where.executableDir.empty() && IsRegularFile(WithSlash(where.executableDir) + kConfigName))
    return WithSlash(where.executableDir);
  // No home folder at all: the current directory, never the executable's.
  const std::string data = XdgBaseDirectory(where.xdgDataHome, where.home, ".local/share");
  if (data.empty()) return std::string();
  if (perUser != nullptr) *perUser = true;
  return WithSlash(data) + "corvella/";
}

std::string XdgBaseDirectory(const std::string& xdgValue, const std::string& home,
                             const std::string& underHome) {
  if (!xdgValue.empty() && xdgValue.front() == '/') return xdgValue;
  if (home.empty()) return std::string();
  return WithSlash(home) + underHome;
}

std::string UserBaseDirectory(const char* variable, const std::string& underHome) {
  return XdgBaseDirectory(Env(variable), HomeFolder(), underHome);
}

ProgramLocations CurrentLocations() {
  ProgramLocations where;
  where.corvellaDir = Env("CORVELLA_DIR");
  where.xdgDataHome = Env("XDG_DATA_HOME");
  where.home = HomeFolder();
  std::string exe(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
  if (n > 0 && static_cast<std::size_t>(n) < exe.size()) {
    exe.resize(static_cast<std::size_t>(n));
    where.executableDir = FolderPart(exe);
  }
  return where;
}

std::string ProgramDirectory() { return ChooseProgramDirectory(CurrentLocations()); }

std::string ConfigurationPath() { return ProgramDirectory() + kConfigName; }

std::string InstalledExamplesDirectory(const std::string& executableDir) {
  return WithSlash(WithSlash(executableDir) + CORVELLA_EXAMPLES_FROM_BIN);
}

bool SeedProgramDirectory(const std::string& dir, const std::string& examplesDir,
                          std::string* error) {
  error->clear();
  if (!MakeDirectories(dir, error)) return false;
  const std::string target = WithSlash(dir);
  if (::access((target + kConfigName).c_str(), F_OK) == 0) return true;

  std::vector<std::string> names;
  if (DIR* d = ::opendir(examplesDir.c_str())) {
    while (const dirent* entry = ::readdir(d)) {
      const std::string name = entry->d_name;
      if (name != kConfigName && IsRegularFile(WithSlash(examplesDir) + name))
        names.push_back(name);
    }
    ::closedir(d);
  } else {
    return true;  // nothing installed to seed from
  }
  std::sort(names.begin(), names.end());
  names.push_back(kConfigName);
  for (const std::string& name : names) {
    const std::string from = WithSlash(examplesDir) + name;
    if (!IsRegularFile(from)) continue;
    if (!CopyIfMissing(from, target + name, error)) return false;
  }
  return true;
}

std::string PrepareProgramDirectory(std::string* error) {
  error->clear();
  const ProgramLocations where = CurrentLocations();
  bool perUser = false;
  const std::string dir = ChooseProgramDirectory(where, &perUser);
  if (perUser) SeedProgramDirectory(dir, InstalledExamplesDirectory(where.executableDir), error);
  return dir;
}

}  // namespace corvella
