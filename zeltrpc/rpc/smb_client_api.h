// The parts of libsmbclient's C interface the ncacn_np carrier uses, loaded
// with dlopen on first use, and the process-wide turn that serialises calls
// into it. Declared here so that building needs no Samba headers and the
// library has no link-time tie to Samba.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace zeltrpc::rpc {

struct SMBCCTX;
struct SMBCFILE;
using SmbAuthFn = void (*)(SMBCCTX* c, const char* server, const char* share, char* workgroup,
                           int workgroupLen, char* user, int userLen, char* password,
                           int passwordLen);
using SmbLogFn = void (*)(void* priv, int level, const char* msg);
using SmbOpenFn = SMBCFILE* (*)(SMBCCTX* c, const char* url, int flags, mode_t mode);
using SmbReadFn = ssize_t (*)(SMBCCTX* c, SMBCFILE* f, void* buf, size_t count);
using SmbWriteFn = ssize_t (*)(SMBCCTX* c, SMBCFILE* f, const void* buf, size_t count);
using SmbCloseFn = int (*)(SMBCCTX* c, SMBCFILE* f);

struct SmbApi {
  SMBCCTX* (*newContext)();
  int (*freeContext)(SMBCCTX*, int);
  SMBCCTX* (*initContext)(SMBCCTX*);
  void (*setDebug)(SMBCCTX*, int);
  void (*setLogCallback)(SMBCCTX*, void*, SmbLogFn);  // optional: may be null
  void (*setFunctionAuthDataWithContext)(SMBCCTX*, SmbAuthFn);
  void (*setOptionUserData)(SMBCCTX*, void*);
  void* (*getOptionUserData)(SMBCCTX*);
  void (*setPort)(SMBCCTX*, uint16_t);
  void (*setTimeout)(SMBCCTX*, int);
  void (*setOptionUseKerberos)(SMBCCTX*, int);
  void (*setOptionFallbackAfterKerberos)(SMBCCTX*, int);
  void (*setOptionUseCCache)(SMBCCTX*, int);
  void (*setOptionNoAutoAnonymousLogin)(SMBCCTX*, int);
  SmbOpenFn (*getFunctionOpen)(SMBCCTX*);
  SmbReadFn (*getFunctionRead)(SMBCCTX*);
  SmbWriteFn (*getFunctionWrite)(SMBCCTX*);
  SmbCloseFn (*getFunctionClose)(SMBCCTX*);
};

// Loads libsmbclient.so.0 and resolves what the carrier uses, once per
// process. False when it cannot be loaded (the library stays loaded once it
// was).
bool loadSmbClient();

// The resolved functions; only after loadSmbClient() returned true.
const SmbApi& smbApi();

// libsmbclient keeps process-wide state (its memory pools, the loaded
// configuration) that its calls use without locks: one call at a time in the
// whole process, whatever the connection. A waiter sleeps until the turn is
// free or until it is told to give up (wakeWaiters() after the condition it
// watches changed), never polling.
class SmbLibraryTurn {
 public:
  // Waits for the turn; false, without it, as soon as `giveUp()` is true.
  // `giveUp` is called with the turn's own lock held: it may read atomics,
  // but must take no lock that is held while calling wakeWaiters().
  template <class GiveUp>
  bool acquireUnless(GiveUp giveUp) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !m_busy || giveUp(); });
    if (m_busy) return false;
    m_busy = true;
    return true;
  }
  void acquire() {
    acquireUnless([] { return false; });
  }
  void release() {
    {
      std::lock_guard lock(m_mutex);
      m_busy = false;
    }
    m_changed.notify_all();
  }
  // Makes every waiter look at its give-up condition again.
  void wakeWaiters() {
    { std::lock_guard lock(m_mutex); }
    m_changed.notify_all();
  }
  // In a child just after fork(): the parent's holder does not exist there.
  void resetAfterFork();

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_busy = false;
};

SmbLibraryTurn& smbLibraryTurn();

// Holds the library's turn for a scope.
class SmbLibraryCall {
 public:
  SmbLibraryCall() { smbLibraryTurn().acquire(); }
  ~SmbLibraryCall() { smbLibraryTurn().release(); }
  SmbLibraryCall(const SmbLibraryCall&) = delete;
  SmbLibraryCall& operator=(const SmbLibraryCall&) = delete;
};

}  // namespace zeltrpc::rpc
