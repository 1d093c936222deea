// No C++ exception leaves an exported function: memory that cannot be had
// inside the library ends the call with status 14, and the library works
// again afterwards. Allocation fails on purpose through a replaced global
// operator new, on the calling thread only (the embedded server's threads
// allocate as usual).

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "tests/zeltrpc/rpc_test_support.h"
#include "zeltrpc.h"

namespace {

thread_local bool t_failAllocations = false;

// Runs `call` with every allocation of this thread failing.
uint32_t withoutMemory(const std::function<uint32_t()>& call) {
  struct Restore {
    ~Restore() { t_failAllocations = false; }
  } restore;
  t_failAllocations = true;
  return call();
}

}  // namespace

void* operator new(std::size_t size) {
  if (t_failAllocations) throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using NoMemoryTest = zeltrpc_test::EmbeddedServerFixture;

TEST_F(NoMemoryTest, ExportsReturnStatus14AndTheLibraryRecovers) {
  startServer();
  const std::vector<char> data(1 << 20, 'x');  // more than any earlier request needed
  struct Case {
    const char* what;
    std::function<uint32_t()> call;
  };
  const Case cases[] = {
      {"connect", [] { return zeltConnectSign("."); }},
      {"call",
       [&] {
         return zeltSendRealTimeDataPort(0, data.data(), static_cast<uint32_t>(data.size()));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(zeltConnectSign("."), 0u);
    EXPECT_EQ(withoutMemory(c.call), 14u);
    EXPECT_EQ(c.call(), 0u);
    EXPECT_EQ(zeltPing(), 0u);
  }
  zeltDisconnectSign();
}

}  // namespace
