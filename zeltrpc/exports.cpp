// The 57 exported functions: the process's binding to the sign service and
// the thin wrappers that check arguments and call the client procedures.
// Nothing crosses the C boundary but status codes: every export that can
// meet a C++ exception runs its body through guarded().

#include "zeltrpc/exports.h"

#include <pthread.h>
#include <strings.h>

#include <cstring>

#include "zeltrpc.h"
#include "zeltrpc/rpc/settings.h"
#include "zeltrpc/rpc/smb_pipe.h"
#include "zeltrpc/rpc/string_binding.h"
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc {

namespace {

// fork(): the state's lock is held across the fork so that the child gets it
// in a known state; the binding (and its connection, perhaps in the middle of
// another thread's call, its lock held) stays the parent's. The child starts
// unconnected: it closes its copies of the connections' descriptors and keeps
// the parent's binding object untouched, never destroyed, in storage of its
// own.
void lockBeforeFork() {
  libraryState().mutex.lock();
  rpc::lockSettingsBeforeFork();
}
void unlockInParent() {
  rpc::unlockSettingsAfterFork();
  libraryState().mutex.unlock();
}
void startAfreshInChild() {
  LibraryState& s = libraryState();
  using Held = std::shared_ptr<rpc::BindingHandle>;
  alignas(Held) static unsigned char parentsBinding[sizeof(Held)];
  new (parentsBinding) Held(std::move(s.binding));
  s.serverName[0] = '\0';
  rpc::transportAfterForkInChild();
  rpc::unlockSettingsAfterFork();
  rpc::smbAfterForkInChild();
  s.mutex.unlock();
}

}  // namespace

LibraryState& libraryState() {
  alignas(LibraryState) static unsigned char storage[sizeof(LibraryState)];
  static LibraryState* const instance = [] {
    LibraryState* state = new (storage) LibraryState();
    ::pthread_atfork(lockBeforeFork, unlockInParent, startAfreshInChild);
    return state;
  }();
  return *instance;
}

std::shared_ptr<rpc::BindingHandle> currentBinding() {
  LibraryState& s = libraryState();
  std::lock_guard lock(s.mutex);
  return s.binding;
}

void releaseBinding() {
  LibraryState& s = libraryState();
  std::shared_ptr<rpc::BindingHandle> old;
  {
    std::lock_guard lock(s.mutex);
    old.swap(s.binding);
  }
}

uint32_t bindToSignService(const char* protseq, const std::string& address, const char* endpoint,
                           std::unique_ptr<rpc::BindingHandle>& handle) {
  rpc::StringBinding parts;
  parts.protseq = protseq;
  parts.networkAddress = address;
  parts.endpoint = endpoint;
  const std::string text = rpc::composeStringBinding(parts);
  if (uint32_t s = rpc::BindingHandle::fromStringBinding(text, handle)) return s;
  // Authentication level "none": there is nothing to set up.
  return callProcedure<kPing>(handle.get());
}

}  // namespace zeltrpc

using zeltrpc::rpc::BindingHandle;
namespace op = zeltrpc;
using zeltrpc::bindToSignService;
using zeltrpc::guarded;
using zeltrpc::kMaxServerName;
using zeltrpc::LibraryState;
using zeltrpc::releaseBinding;

namespace {

template <uint16_t Op, class... A>
uint32_t call(A... a) {
  return zeltrpc::callGuarded<Op>(a...);
}

// Releases the binding when the library leaves the process (dlclose or exit).
__attribute__((destructor)) void releaseOnUnload() { releaseBinding(); }

}  // namespace

extern "C" {

uint32_t zeltConnectSign(const char* server) {
  // An empty name names no computer: the caller's error, like a null one.
  if (!server || !*server || std::strlen(server) > kMaxServerName)
    return zeltrpc::rpc::kInvalidParameter;
  return guarded([server] {
    releaseBinding();
    const bool local = std::strcmp(server, ".") == 0;
    std::unique_ptr<BindingHandle> handle;
    uint32_t status = local ? bindToSignService("ncalrpc", "", "zeltrpc", handle)
                            : bindToSignService("ncacn_np", std::string("\\\\") + server,
                                                "\\pipe\\zeltrpc", handle);
    if (status != 0 && !local) {
      // The second try has no carrier on this platform: its 1703 would hide
      // why the named pipe failed (an unreachable computer, refused
      // credentials), so the first try's status stands then.
      handle.reset();
      const uint32_t second = bindToSignService("ncacn_nb_nb", server, "250", handle);
      if (second != zeltrpc::rpc::kProtseqNotSupported) status = second;
    }
    if (status != 0) return status;  // every failed attempt leaves no binding
    // The name and the binding change together, so a connect on another
    // thread can never leave zeltIsServer naming a server it is not bound to.
    LibraryState& s = zeltrpc::libraryState();
    std::lock_guard lock(s.mutex);
    std::strcpy(s.serverName, server);
    s.binding = std::move(handle);
    return uint32_t{0};
  });
}

uint32_t zeltDisconnectSign(void) {
  return guarded([] {
    releaseBinding();
    return uint32_t{0};
  });
}

uint32_t zeltIsServer(const char* server) {
  try {
    LibraryState& s = zeltrpc::libraryState();
    std::lock_guard lock(s.mutex);
    if (!s.binding || !server) return 0;
    return strcasecmp(server, s.serverName) == 0 ? 1 : 0;
  } catch (...) {
    return 0;  // a 1/0 answer has no room for a status: not known to be connected
  }
}

uint32_t zeltPing(void) { return call<op::kPing>(); }

uint32_t zeltPlaySequence(const char* sign, const char* sequence, int32_t v1, int32_t v2) {
  return call<op::kPlaySequence>(sign, sequence, v1, v2);
}
uint32_t zeltQueueSequence(const char* sign, const char* sequence, int32_t v1, int32_t v2) {
  return call<op::kQueueSequence>(sign, sequence, v1, v2);
}
uint32_t zeltSetDefaultSequence(const char* sign, const char* sequence, int32_t v1, int32_t v2) {
  return call<op::kSetDefaultSequence>(sign, sequence, v1, v2);
}
uint32_t zeltCheckSequence(const char* sign, const char* sequence) {
  return call<op::kCheckSequence>(sign, sequence);
}
uint32_t zeltSelectFrame(const char* sign, int32_t frame) {
  return call<op::kSelectFrame>(sign, frame);
}
uint32_t zeltSingleStepFrame(const char* sign, int32_t value) {
  return call<op::kSingleStepFrame>(sign, value);
}
uint32_t zeltRunSchedule(const char* sign, const char* schedule, int32_t value) {
  return call<op::kRunSchedule>(sign, schedule, value);
}
uint32_t zeltStopSequence(const char* sign) { return call<op::kStopSequence>(sign); }
uint32_t zeltBlankSign(const char* sign) { return call<op::kBlankSign>(sign); }
uint32_t zeltEndSchedule(const char* sign) { return call<op::kEndSchedule>(sign); }
uint32_t zeltNextItem(const char* sign) { return call<op::kNextItem>(sign); }
uint32_t zeltClearQueue(const char* sign) { return call<op::kClearQueue>(sign); }
uint32_t zeltSetDimming(const char* sign, int32_t v1, int32_t v2) {
  return call<op::kSetDimming>(sign, v1, v2);
}
uint32_t zeltShowFrame(const char* sign, const char* data, uint32_t length) {
  return call<op::kShowFrame>(sign, data, length);
}

uint32_t zeltGetChangeFlag(const char* sign, int32_t* flag) {
  return call<op::kGetChangeFlag>(sign, flag);
}
uint32_t zeltGetSchedChangeFlag(const char* sign, int32_t* flag) {
  return call<op::kGetSchedChangeFlag>(sign, flag);
}
uint32_t zeltGetPhotocell(const char* sign, int32_t* value) {
  return call<op::kGetPhotocell>(sign, value);
}

uint32_t zeltGetStatus(const char* sign, char* buffer, uint32_t capacity, uint32_t* size) {
  if (!sign || !buffer || !size) return zeltrpc::rpc::kInvalidParameter;
  *size = capacity;
  return call<op::kGetStatus>(sign, buffer, size);
}
uint32_t zeltGetConfig(const char* sign, char* buffer, uint32_t capacity, uint32_t* size) {
  if (!sign || !buffer || !size) return zeltrpc::rpc::kInvalidParameter;
  *size = capacity;
  return call<op::kGetConfig>(sign, buffer, size);
}
uint32_t zeltListWindows(const char* sign, char* buffer, uint32_t capacity, uint32_t* size) {
  if (!sign || !buffer || !size) return zeltrpc::rpc::kInvalidParameter;
  *size = capacity;
  return call<op::kListWindows>(sign, buffer, size);
}
uint32_t zeltGetQueue(const char* sign, char* buffer, uint32_t capacity, uint32_t* size) {
  if (size) *size = capacity;  // a null size reaches the procedure, which refuses it
  return call<op::kGetQueue>(sign, buffer, size);
}
uint32_t zeltGetBulb(const char* sign, char* buffer, uint32_t capacity, uint32_t* size,
                     int32_t* extra) {
  if (!sign || !buffer || !size) return zeltrpc::rpc::kInvalidParameter;
  *size = capacity;
  if (extra) return call<op::kGetBulbEx>(sign, buffer, size, extra);
  return call<op::kGetBulb>(sign, buffer, size);
}
uint32_t zeltListSigns(char* buffer, uint32_t capacity, uint32_t* size) {
  if (size) *size = capacity;
  return call<op::kListSigns>(buffer, size);
}
uint32_t zeltListServers(char* buffer, uint32_t capacity, uint32_t* size, int32_t value) {
  if (size) *size = capacity;
  return call<op::kListServers>(buffer, size, value);
}
uint32_t zeltGetSchedSeqStatus(const char* sign, char* buffer1, uint32_t* size1, char* buffer2,
                               uint32_t* size2, int32_t* value) {
  if (!sign || !buffer1 || !size1 || !buffer2 || !size2) return zeltrpc::rpc::kInvalidParameter;
  return call<op::kGetSchedSeqStatus>(sign, buffer1, size1, buffer2, size2, value);
}
uint32_t zeltGetDefaultSequence(const char* sign, char* buffer, uint32_t* size, int32_t* v1,
                                int32_t* v2) {
  if (!sign || !buffer || !size) return zeltrpc::rpc::kInvalidParameter;
  return call<op::kGetDefaultSequence>(sign, buffer, size, v1, v2);
}
uint32_t zeltGetFrameStatus(const char* sign, char* buffer, uint32_t* size, int32_t* v1,
                            int32_t* v2, int32_t* v3, int32_t* v4, int32_t* v5) {
  if (!sign || !buffer || !size || !v2 || !v3) return zeltrpc::rpc::kInvalidParameter;
  return call<op::kGetFrameStatus>(sign, buffer, size, v1, v2, v3, v4, v5);
}
uint32_t zeltGetEffectStatus(const char* sign, int32_t* value, char* buffer, uint32_t* size) {
  if (!sign || !value || !buffer || !size) return zeltrpc::rpc::kInvalidParameter;
  return call<op::kGetEffectStatus>(sign, value, buffer, size);
}
uint32_t zeltGetSchedule(const char* sign, uint32_t* size, char* buffer, int32_t* value) {
  if (!sign || !size) return zeltrpc::rpc::kInvalidParameter;
  return call<op::kGetSchedule>(sign, size, buffer, value);
}

uint32_t zeltWindowEnable(const char* sign, int32_t v1, int32_t v2) {
  return call<op::kWindowEnable>(sign, v1, v2);
}
uint32_t zeltWindowMove(const char* sign, int32_t v1, int32_t v2, int32_t v3) {
  return call<op::kWindowMove>(sign, v1, v2, v3);
}
uint32_t zeltQueueWindowEnable(const char* sign, int32_t v1, int32_t v2) {
  return call<op::kQueueWindowEnable>(sign, v1, v2);
}
uint32_t zeltQueueWindowMove(const char* sign, int32_t v1, int32_t v2, int32_t v3) {
  return call<op::kQueueWindowMove>(sign, v1, v2, v3);
}

uint32_t zeltSetRealTimeData(int32_t v1, const char* data, uint32_t length, int32_t v2) {
  return call<op::kSetRealTimeData>(v1, data, length, v2, int32_t{0});
}
uint32_t zeltGetRealTimeData(int32_t v1, char* data, uint32_t length, int32_t v2) {
  return call<op::kGetRealTimeData>(v1, data, length, v2, int32_t{0});
}
uint32_t zeltSendRealTimeDataPort(int32_t port, const char* data, uint32_t length) {
  return call<op::kSendRealTimeDataPort>(port, data, length);
}

uint32_t zeltVLGetChangeFlag(const char* sign, int32_t* flag) {
  return call<op::kVLGetChangeFlag>(sign, flag);
}
uint32_t zeltVLGetStatus(const char* sign, char* buffer, uint32_t* size) {
  return call<op::kVLGetStatus>(sign, buffer, size);
}
uint32_t zeltVLGetConfig(const char* sign, char* buffer, uint32_t* size) {
  return call<op::kVLGetConfig>(sign, buffer, size);
}
uint32_t zeltVLSendBrightness(const char* sign, int32_t v) {
  return call<op::kVLSendBrightness>(sign, v);
}
uint32_t zeltVLSendContrast(const char* sign, int32_t v) {
  return call<op::kVLSendContrast>(sign, v);
}
uint32_t zeltVLSendSaturation(const char* sign, int32_t v) {
  return call<op::kVLSendSaturation>(sign, v);
}
uint32_t zeltVLSendHue(const char* sign, int32_t v) { return call<op::kVLSendHue>(sign, v); }
uint32_t zeltVLSendFormat(const char* sign, int32_t v) { return call<op::kVLSendFormat>(sign, v); }
uint32_t zeltVLSendInput(const char* sign, int32_t v) { return call<op::kVLSendInput>(sign, v); }
uint32_t zeltVLSendSource(const char* sign, int32_t v) { return call<op::kVLSendSource>(sign, v); }
uint32_t zeltVLSendViewableArea(const char* sign, int32_t v1, int32_t v2, int32_t v3, int32_t v4) {
  return call<op::kVLSendViewableArea>(sign, v1, v2, v3, v4);
}
uint32_t zeltVLSendWindow(const char* sign, int32_t v1, int32_t v2, int32_t v3, int32_t v4) {
  return call<op::kVLSendWindow>(sign, v1, v2, v3, v4);
}
uint32_t zeltVLReadFmtInpSrc(const char* sign, int32_t* format, int32_t* input, int32_t* source) {
  return call<op::kVLReadFmtInpSrc>(sign, format, input, source);
}
uint32_t zeltVLReadViewableArea(const char* sign, int32_t* v1, int32_t* v2, int32_t* v3,
                                int32_t* v4) {
  return call<op::kVLReadViewableArea>(sign, v1, v2, v3, v4);
}
uint32_t zeltVLReadWindow(const char* sign, int32_t* v1, int32_t* v2, int32_t* v3, int32_t* v4) {
  return call<op::kVLReadWindow>(sign, v1, v2, v3, v4);
}
uint32_t zeltVLReadBCHS(const char* sign, int32_t* b, int32_t* c, int32_t* h, int32_t* s) {
  return call<op::kVLReadBCHS>(sign, b, c, h, s);
}

uint32_t zeltGetDIB(const void* a, const void* b, const void*, const void* d) {
  return a && b && d ? 0 : zeltrpc::rpc::kInvalidParameter;
}

// Configuration (version node ZELTRPC_1.1). Each makes the library's state
// first, which registers the fork handlers that keep the settings' lock
// usable in a child.
uint32_t zeltSetTimeout(uint32_t milliseconds) {
  zeltrpc::libraryState();
  return zeltrpc::rpc::setTimeoutSetting(milliseconds);
}
uint32_t zeltSetSmbPort(uint32_t port) {
  zeltrpc::libraryState();
  return zeltrpc::rpc::setSmbPortSetting(port);
}
uint32_t zeltSetAuthFile(const char* path) {
  return guarded([path] {
    zeltrpc::libraryState();
    return zeltrpc::rpc::setAuthFileSetting(path);
  });
}
uint32_t zeltSetSocketDir(const char* path) {
  return guarded([path] {
    zeltrpc::libraryState();
    return zeltrpc::rpc::setSocketDirSetting(path);
  });
}

}  // extern "C"
