#include "zeltrpc/rpc/smb_client_api.h"

#include <dlfcn.h>

#include <new>

namespace zeltrpc::rpc {

namespace {

SmbApi g_api{};
bool g_loaded = false;
std::once_flag g_loadOnce;

template <class F>
bool resolve(void* lib, const char* name, F& fn) {
  fn = reinterpret_cast<F>(::dlsym(lib, name));
  return fn != nullptr;
}

void load() {
  // Never closed: a library of this size is not worth unloading, and a
  // connection being torn down may still be inside it.
  void* lib = ::dlopen("libsmbclient.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return;
  SmbApi a{};
  bool ok = resolve(lib, "smbc_new_context", a.newContext) &&
            resolve(lib, "smbc_free_context", a.freeContext) &&
            resolve(lib, "smbc_init_context", a.initContext) &&
            resolve(lib, "smbc_setDebug", a.setDebug) &&
            resolve(lib, "smbc_setFunctionAuthDataWithContext", a.setFunctionAuthDataWithContext) &&
            resolve(lib, "smbc_setOptionUserData", a.setOptionUserData) &&
            resolve(lib, "smbc_getOptionUserData", a.getOptionUserData) &&
            resolve(lib, "smbc_setPort", a.setPort) &&
            resolve(lib, "smbc_setTimeout", a.setTimeout) &&
            resolve(lib, "smbc_setOptionUseKerberos", a.setOptionUseKerberos) &&
            resolve(lib, "smbc_setOptionFallbackAfterKerberos", a.setOptionFallbackAfterKerberos) &&
            resolve(lib, "smbc_setOptionUseCCache", a.setOptionUseCCache) &&
            resolve(lib, "smbc_setOptionNoAutoAnonymousLogin", a.setOptionNoAutoAnonymousLogin) &&
            resolve(lib, "smbc_getFunctionOpen", a.getFunctionOpen) &&
            resolve(lib, "smbc_getFunctionRead", a.getFunctionRead) &&
            resolve(lib, "smbc_getFunctionWrite", a.getFunctionWrite) &&
            resolve(lib, "smbc_getFunctionClose", a.getFunctionClose);
  if (!ok) return;
  resolve(lib, "smbc_setLogCallback", a.setLogCallback);
  // Connections run on threads of their own: the library keeps its
  // per-call scratch memory per thread once told so.
  void (*threadPosix)() = nullptr;
  if (resolve(lib, "smbc_thread_posix", threadPosix)) threadPosix();
  g_api = a;
  g_loaded = true;
}

}  // namespace

bool loadSmbClient() {
  std::call_once(g_loadOnce, load);
  return g_loaded;
}

const SmbApi& smbApi() { return g_api; }

void SmbLibraryTurn::resetAfterFork() {
  new (&m_mutex) std::mutex;
  new (&m_changed) std::condition_variable;
  m_busy = false;
}

SmbLibraryTurn& smbLibraryTurn() {
  // Never destroyed: a worker left to finish on its own may still take the
  // turn while the process ends.
  alignas(SmbLibraryTurn) static unsigned char storage[sizeof(SmbLibraryTurn)];
  static SmbLibraryTurn* const turn = new (storage) SmbLibraryTurn;
  return *turn;
}

}  // namespace zeltrpc::rpc
