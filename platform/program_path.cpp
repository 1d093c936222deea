#include "platform/program_path.h"

#include <unistd.h>

#include <cstdlib>

namespace corvella {

std::string ProgramDirectory() {
  if (const char* dir = std::getenv("CORVELLA_DIR"); dir != nullptr && *dir != '\0') {
    std::string path(dir);
    if (path.back() != '/') path.push_back('/');
    return path;
  }
  std::string exe(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= exe.size()) {
    // No way to know where the executable lies: files are then looked for in
    // the current directory.
    return std::string();
  }
  exe.resize(static_cast<std::size_t>(n));
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string ConfigurationPath() { return ProgramDirectory() + "CORVELLA.INI"; }

}  // namespace corvella
