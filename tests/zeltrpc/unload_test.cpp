// Unloading the library from a connected process releases its binding: the
// service sees the connection close. The library is opened with dlopen, so
// this executable does not link it.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdint>
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

}  // namespace
