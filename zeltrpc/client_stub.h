// The generic client marshaller: one routine that sends any procedure of the
// sign interface by interpreting its argument kinds (sign_interface.h), the way
// stub compilers use format strings. Typed entry: callProcedure<Op>(...) checks
// at compile time that the C++ arguments fit the table row.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <type_traits>

#include "zeltrpc/rpc/ndr.h"
#include "zeltrpc/sign_interface.h"

namespace zeltrpc {

// One argument as the marshaller sees it; which member is live follows the
// argument's kind.
union ArgValue {
  int32_t l;      // InLong
  uint32_t u;     // InSize
  const char* s;  // InString, InBuffer
  char* out;      // OutBufferN, OutBufferStar
  int32_t* pl;    // OutLong, InOutLong
  uint32_t* pu;   // InOutSize
};

// Runs the procedure `opnum` over `binding` (nullptr: RPC_S_INVALID_BINDING,
// 1702) and returns its status: the service's result, or the failure status
// of the call. A null pointer argument gives RPC_X_NULL_REF_POINTER (1780),
// a text longer than kMaxArgumentBytes or a data or out buffer(n) count
// above it ERROR_INVALID_PARAMETER (87); neither sends anything. A reply
// whose counts do not fit the caller's storage gives RPC_X_BAD_STUB_DATA
// (1783) and writes nothing: the whole reply is checked before any out value
// is stored.
uint32_t invokeProcedure(rpc::BindingHandle* binding, uint16_t opnum, const ArgValue* args);

// Checks a whole reply stub against the procedure's out items and the
// capacities of the caller's buffers (`entrySizes[i]`: the value of in,out
// size i on entry), then stores the out items into the caller's storage and
// returns the service's status. Returns 1783 and stores nothing when the
// reply is short, a count exceeds its buffer's capacity, or an out buffer's
// count differs from its returned size.
uint32_t unmarshalReply(uint16_t opnum, const ArgValue* args, const uint32_t* entrySizes,
                        std::span<const uint8_t> stub, rpc::DataRep rep);

namespace detail {

constexpr int typeClass(Arg k) {
  switch (k) {
    case Arg::InLong: return 0;
    case Arg::InSize: return 1;
    case Arg::InString:
    case Arg::InBuffer: return 2;
    case Arg::OutBufferN:
    case Arg::OutBufferStar: return 3;
    case Arg::OutLong:
    case Arg::InOutLong: return 4;
    case Arg::InOutSize: return 5;
  }
  return -1;
}

template <class T>
constexpr int typeClassOf() {
  if constexpr (std::is_same_v<T, int32_t>)
    return 0;
  else if constexpr (std::is_same_v<T, uint32_t>)
    return 1;
  else if constexpr (std::is_same_v<T, const char*>)
    return 2;
  else if constexpr (std::is_same_v<T, char*>)
    return 3;
  else if constexpr (std::is_same_v<T, int32_t*>)
    return 4;
  else if constexpr (std::is_same_v<T, uint32_t*>)
    return 5;
  else
    return -2;
}

template <uint16_t Op, class... A>
constexpr bool argumentsFit() {
  if (sizeof...(A) != kProcedures[Op].argc) return false;
  constexpr int classes[] = {typeClassOf<A>()..., -3};
  for (size_t i = 0; i < sizeof...(A); ++i)
    if (classes[i] != typeClass(kProcedures[Op].args[i].kind)) return false;
  return true;
}

inline ArgValue toArg(int32_t v) {
  ArgValue a;
  a.l = v;
  return a;
}
inline ArgValue toArg(uint32_t v) {
  ArgValue a;
  a.u = v;
  return a;
}
inline ArgValue toArg(const char* v) {
  ArgValue a;
  a.s = v;
  return a;
}
inline ArgValue toArg(char* v) {
  ArgValue a;
  a.out = v;
  return a;
}
inline ArgValue toArg(int32_t* v) {
  ArgValue a;
  a.pl = v;
  return a;
}
inline ArgValue toArg(uint32_t* v) {
  ArgValue a;
  a.pu = v;
  return a;
}

}  // namespace detail

template <uint16_t Op, class... A>
uint32_t callProcedure(rpc::BindingHandle* binding, A... a) {
  static_assert(kProcedures[Op].name != nullptr, "no client procedure for this opnum");
  static_assert(detail::argumentsFit<Op, A...>(), "arguments do not match the procedure table");
  const std::array<ArgValue, sizeof...(A) + 1> args{detail::toArg(a)..., ArgValue{}};
  return invokeProcedure(binding, Op, args.data());
}

}  // namespace zeltrpc
