#include "tools/signsim/service_notify.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "base/unique_fd.h"

namespace signsim {

bool notifyServiceManager(std::string_view state) {
  const char* name = std::getenv("NOTIFY_SOCKET");
  if (!name || (name[0] != '/' && name[0] != '@')) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const size_t length = std::strlen(name);
  if (length < 2 || length >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, name, length);
  if (name[0] == '@') addr.sun_path[0] = '\0';  // an abstract name: no terminating NUL counts
  const socklen_t size =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + (name[0] == '@' ? 0 : 1));
  const base::UniqueFd fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd) return false;
  return ::sendto(fd.get(), state.data(), state.size(), MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&addr),
                  size) == static_cast<ssize_t>(state.size());
}

}  // namespace signsim
