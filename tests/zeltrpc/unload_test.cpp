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

class UnloadTest : public zeltrpc_test::EmbeddedServerFixture,
                   public ::testing::WithParamInterface<bool> {};

bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 400; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

// Connects from the calling thread (false) or from a thread that has ended
// before dlclose (true): either way nothing of the library's may keep it
// loaded, so the unload releases the binding.
TEST_P(UnloadTest, UnloadingReleasesTheBinding) {
  startServer();
  void* lib = ::dlopen(ZELTRPC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << ::dlerror();
  using Connect = uint32_t (*)(const char*);
  auto connect = reinterpret_cast<Connect>(::dlsym(lib, "zeltConnectSign"));
  ASSERT_NE(connect, nullptr);
  uint32_t status = 99;
  if (GetParam()) {
    std::thread([&] { status = connect("."); }).join();
  } else {
    status = connect(".");
  }
  ASSERT_EQ(status, 0u);
  ASSERT_TRUE(waitFor([&] { return m_server->openConnections() == 1; }));
  ASSERT_EQ(::dlclose(lib), 0);
  EXPECT_TRUE(waitFor([&] { return m_server->openConnections() == 0; }));
}

INSTANTIATE_TEST_SUITE_P(CallingThreadOrAnother, UnloadTest, ::testing::Bool());

// A program that loads the library with dlopen, connects and exits without
// unloading it: the library's destructors run in the exit's order, and the
// binding is released once, with no access to freed memory.
TEST_F(UnloadTest, ExitAfterDlopenReleasesTheBindingOnce) {
  if (!ZELTRPC_EXIT_CHECKED) GTEST_SKIP() << "valgrind is not installed";
  startServer();
  const std::string command =
      std::string(ZELTRPC_EXIT_CHECK) + ZELTRPC_DLOPEN_EXIT + " " + ZELTRPC_LIBRARY;
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << command;
  EXPECT_EQ(WEXITSTATUS(status), 0) << command;
  EXPECT_TRUE(waitFor([&] { return m_server->openConnections() == 0; }));
}

}  // namespace
