// Finding the sockets of a libsmbclient connection. The library does not tell
// which socket a context uses: the sockets that appear while a context
// connects, with the SMB port as their peer's, are its. The carrier keeps a
// duplicate of each so that it can shut the connection down (ending any call
// blocked on it), and a forked child closes its copies of them through the
// registry kept here.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <vector>

namespace zeltrpc::rpc {

// Inodes of the process's sockets now, to compare with after a connect.
std::vector<ino_t> smbSocketInodes();

// Duplicates (close-on-exec) of the sockets that are not in `before` and
// whose peer's port is `port`; each is entered in the registry until
// closeSmbSocketCopy().
std::vector<int> duplicateNewSmbSockets(const std::vector<ino_t>& before, uint16_t port);

// Closes a duplicate made above and takes it out of the registry.
void closeSmbSocketCopy(int fd);

// In a child just after fork(): closes the registered duplicates and every
// other descriptor of the same sockets (libsmbclient's own), found by a scan
// of /proc/self/fd. Only the child's one thread may call it.
void closeSmbSocketsAfterFork();

}  // namespace zeltrpc::rpc
