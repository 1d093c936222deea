// Binding handles: a parsed string binding plus, once a call has been made,
// one connection to the server bound to the interface. A binding is not a
// connection: when the connection breaks, the call that met the break returns
// its failure status and the next call opens a new connection and binds again.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/rpc/string_binding.h"
#include "zeltrpc/rpc/transport.h"

namespace zeltrpc::rpc {

class Carrier;

// What the runtime needs to know about an interface to call it.
struct InterfaceSpec {
  SyntaxId syntax;
  // Endpoint per protocol sequence, used when a binding names none.
  std::span<const std::pair<std::string_view, std::string_view>> endpoints;
};

// A non-owning reference to a callable, so a call allocates nothing for it.
template <class Sig>
class FunctionRef;
template <class R, class... A>
class FunctionRef<R(A...)> {
 public:
  template <class F>
  FunctionRef(F&& f)
      : m_obj(const_cast<void*>(static_cast<const void*>(&f))), m_call([](void* o, A... a) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(o))(std::forward<A>(a)...);
        }) {}
  R operator()(A... a) const { return m_call(m_obj, std::forward<A>(a)...); }

 private:
  void* m_obj;
  R (*m_call)(void*, A...);
};

// Handler of a complete reply stub; runs while the binding is locked and
// returns the status of the call.
using ReplyHandler = FunctionRef<uint32_t(std::span<const uint8_t> stub, DataRep rep)>;

class BindingHandle {
 public:
  // RpcBindingFromStringBinding: 1700 for a malformed text, 1703 for a
  // protocol sequence with no carrier here (ncacn_nb_nb, ..., and ncacn_np
  // when libsmbclient cannot be loaded), 1704 for text that is no protocol
  // sequence at all, 1706 for a bad endpoint. Carriers: ncalrpc (Unix-domain
  // socket) and ncacn_np (named pipe over SMB, smb_pipe.h).
  static uint32_t fromStringBinding(std::string_view text, std::unique_ptr<BindingHandle>& out);

  ~BindingHandle();
  BindingHandle(const BindingHandle&) = delete;
  BindingHandle& operator=(const BindingHandle&) = delete;

  // Sends one call. `pdu` holds 24 bytes of room for the request header
  // followed by the stub (the header is written in place when one fragment
  // suffices). A reply stub longer than `maxReplyStub` is refused with 1783.
  // Returns the status of a failure, or what `onReply` returns. The binding's
  // time-out bounds the whole call: the wait for a call of another thread on
  // the same connection, connecting, sending and the reply (1818 when it
  // runs out before the connection is free or during the exchange).
  uint32_t call(const InterfaceSpec& iface, uint16_t opnum, std::vector<uint8_t>& pdu,
                size_t maxReplyStub, ReplyHandler onReply);

  const StringBinding& parts() const { return m_parts; }
  // True while a connection is open (for tests and diagnostics).
  bool connected();

 private:
  explicit BindingHandle(StringBinding parts);
  uint32_t connectAndBind(const InterfaceSpec& iface, Clock::time_point deadline);
  // `notSent`, when given, is set when the call failed because the request
  // could not be written and nothing of it went out.
  uint32_t exchange(uint16_t opnum, std::vector<uint8_t>& pdu, size_t maxReplyStub,
                    ReplyHandler onReply, Clock::time_point deadline, bool* notSent);

  // One call at a time on the connection; a call waits for its turn no
  // longer than its time-out.
  std::timed_mutex m_mutex;
  StringBinding m_parts;
  std::chrono::milliseconds m_timeout;
  std::unique_ptr<Carrier> m_conn;
  uint16_t m_sendFrag = kDefaultMaxFrag;
  uint32_t m_nextCallId = 1;
  FragmentAssembler m_assembler;
  std::vector<uint8_t> m_scratch;
};

}  // namespace zeltrpc::rpc
