// Unloading the library from a connected process releases its binding: the
// service sees the connection close. The library is opened with dlopen, so
// this executable does not link it.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "tests/zeltrpc/rpc_test_support.h"

namespace {

using UnloadTest = zeltrpc_test::EmbeddedServerFixture;

bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 400; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

TEST_F(UnloadTest, UnloadingReleasesTheBinding) {
  startServer();
  void* lib = ::dlopen(ZELTRPC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  using Connect = uint32_t (*)(const char*);
  auto connect = reinterpret_cast<Connect>(::dlsym(lib, "zeltConnectSign"));
  ASSERT_NE(connect, nullptr);
  // Calls run on a thread that ends before dlclose, so no thread-local
  // storage of the library keeps it loaded.
  uint32_t status = 99;
  std::thread([&] { status = connect("."); }).join();
  ASSERT_EQ(status, 0u);
  ASSERT_TRUE(waitFor([&] { return m_server->openConnections() == 1; }));
  ASSERT_EQ(::dlclose(lib), 0);
  EXPECT_TRUE(waitFor([&] { return m_server->openConnections() == 0; }));
}

// A program that loads the library with dlopen, connects and exits without
// unloading it: the library's destructors run in the exit's order, and the
// binding is released once, with no access to freed memory.
TEST_F(UnloadTest, ExitAfterDlopenReleasesTheBindingOnce) {
  const char* valgrind = ZELTRPC_VALGRIND;
  if (valgrind[0] == '\0') GTEST_SKIP() << "valgrind is not installed";
  startServer();
  const std::string command = std::string(valgrind) + " --quiet --error-exitcode=99 " +
                              ZELTRPC_DLOPEN_EXIT + " " + ZELTRPC_LIBRARY;
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << command;
  EXPECT_EQ(WEXITSTATUS(status), 0) << command;
  EXPECT_TRUE(waitFor([&] { return m_server->openConnections() == 0; }));
}

}  // namespace
