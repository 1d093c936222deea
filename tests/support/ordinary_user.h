#pragma once
// Test support: running code as an ordinary user. File permissions do not
// hold root back, and the tests run as root on the build machine, so a test
// of what happens to a file the program may not read, or a folder of
// another user, runs its body as a throw-away user: a user id that no
// account has, with a home folder of its own that is removed afterwards.
// Run as any other user, the body simply runs as that user.

#include <functional>

namespace corvella {

// Runs `body` as an ordinary user and returns what it returned. As root:
// in a child process that has given up root for a throw-away user id (its
// group the same number, no supplementary groups), with HOME and
// XDG_RUNTIME_DIR set to fresh folders of that user, TMPDIR inside that
// home, and no other XDG_* variable nor DBUS_SESSION_BUS_ADDRESS; the exit
// status of the child (128 + the signal when it was killed) is returned.
// The child is killed when the calling thread's process ends, and homes a
// killed test left behind are removed by the next call. Otherwise `body`
// runs here.
int RunAsOrdinaryUser(const std::function<int()>& body);

// True when the process runs as root, whom permissions do not stop.
bool IsRoot();

}  // namespace corvella
