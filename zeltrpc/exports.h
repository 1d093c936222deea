#pragma once
// The library's process-wide state behind the exports (zeltrpc.h): the one
// binding to the sign service and the server name it was made for, and the
// guard that keeps every C++ exception inside the library. Internal to the
// library; nothing here is exported.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "zeltrpc/client_stub.h"
#include "zeltrpc/rpc/binding.h"
#include "zeltrpc/rpc/status.h"

namespace zeltrpc {

constexpr std::size_t kMaxServerName = 61;  // "\\" + name + NUL fit 64 bytes

// Library state, one per process. It is made in static storage on first use
// and never destroyed, so no destructor of ours can free the binding before
// the library's unload hook runs: the library's static destructors run
// first, at dlclose and at exit alike, and the binding is released once,
// there. Calls take their own reference to the binding, so a disconnect on
// another thread never frees it under a call.
struct LibraryState {
  std::mutex mutex;
  std::shared_ptr<rpc::BindingHandle> binding;
  char serverName[kMaxServerName + 3] = "";
};

LibraryState& libraryState();

// The current binding (null when not connected), held for the caller.
std::shared_ptr<rpc::BindingHandle> currentBinding();

// Drops the library's binding; calls still running keep theirs until done.
void releaseBinding();

// Composes the string binding, makes a binding handle from it and pings the
// service over it. The handle is returned even when the ping failed.
uint32_t bindToSignService(const char* protseq, const std::string& address, const char* endpoint,
                           std::unique_ptr<rpc::BindingHandle>& handle);

// Runs an export's body so that no exception leaves the library: memory that
// cannot be had ends it with ERROR_OUTOFMEMORY (14), anything else
// unexpected with RPC_S_INTERNAL_ERROR (1766).
template <class Body>
uint32_t guarded(Body body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return rpc::kOutOfMemory;
  } catch (...) {
    return rpc::kInternalError;
  }
}

// Calls procedure Op over the current binding, guarded.
template <uint16_t Op, class... A>
uint32_t callGuarded(A... a) {
  return guarded([&] {
    auto binding = currentBinding();
    return callProcedure<Op>(binding.get(), a...);
  });
}

}  // namespace zeltrpc
