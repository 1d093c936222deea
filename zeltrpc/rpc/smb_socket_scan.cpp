#include "zeltrpc/rpc/smb_socket_scan.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <utility>

#include "base/unique_fd.h"

namespace zeltrpc::rpc {

namespace {

// Socket inodes of the process's descriptors, from /proc/self/fd.
std::vector<std::pair<int, ino_t>> processSockets() {
  std::vector<std::pair<int, ino_t>> out;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return out;
  while (dirent* e = ::readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(e->d_name, &end, 10);
    if (end == e->d_name || *end != '\0' || fd == ::dirfd(dir)) continue;
    struct stat st {};
    if (::fstat(static_cast<int>(fd), &st) == 0 && S_ISSOCK(st.st_mode))
      out.emplace_back(static_cast<int>(fd), st.st_ino);
  }
  ::closedir(dir);
  return out;
}

uint16_t peerPort(int fd) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
  if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
  return 0;
}

// Duplicates held by the carriers (descriptor + 1 per slot; 0: free), for
// a forked child to close along with the originals. Lock-free, as the child
// after fork() may take no lock the parent's threads held.
std::atomic<int> g_smbSockets[64];

}  // namespace

std::vector<ino_t> smbSocketInodes() {
  std::vector<ino_t> out;
  for (const auto& [fd, inode] : processSockets()) out.push_back(inode);
  return out;
}

std::vector<int> duplicateNewSmbSockets(const std::vector<ino_t>& before, uint16_t port) {
  std::vector<int> out;
  for (const auto& [fd, inode] : processSockets()) {
    if (std::find(before.begin(), before.end(), inode) != before.end()) continue;
    if (peerPort(fd) != port) continue;
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) continue;
    out.push_back(copy);
    for (auto& slot : g_smbSockets) {
      int expected = 0;
      if (slot.compare_exchange_strong(expected, copy + 1)) break;
    }
  }
  return out;
}

void closeSmbSocketCopy(int fd) {
  for (auto& slot : g_smbSockets) {
    int expected = fd + 1;
    if (slot.compare_exchange_strong(expected, 0)) break;
  }
  ::close(fd);
}

void closeSmbSocketsAfterFork() {
  std::vector<ino_t> parents;
  for (auto& slot : g_smbSockets) {
    const int fd = slot.exchange(0) - 1;
    if (fd < 0) continue;
    const base::UniqueFd copy(fd);
    struct stat st {};
    if (::fstat(copy.get(), &st) == 0) parents.push_back(st.st_ino);
  }
  if (parents.empty()) return;
  for (const auto& [fd, inode] : processSockets())
    if (std::find(parents.begin(), parents.end(), inode) != parents.end()) ::close(fd);
}

}  // namespace zeltrpc::rpc
