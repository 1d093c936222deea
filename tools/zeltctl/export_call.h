// Calling the library's exports from the procedure table. Each row says
// which export reaches the procedure and how its parameters differ from the
// procedure's arguments (ExportForm); from that this header derives, at
// compile time, the export's C signature, and calls the export found by its
// name with values taken from one array of slots.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "zeltrpc/sign_interface.h"

namespace zeltctl {

// The C types of the exports' parameters (zeltrpc.h).
enum class CType : uint8_t { Long, ULong, Text, Buffer, LongPtr, ULongPtr };

// One parameter of an export and where its value comes from.
struct ExportParam {
  enum Role : uint8_t { Argument, Capacity, NullExtra };
  CType type;
  Role role;
  int8_t arg;  // Argument: the procedure argument; Capacity: the size it is stored into
};

struct ExportShape {
  size_t count = 0;
  std::array<ExportParam, zeltrpc::kMaxArgs + 1> params{};
};

constexpr CType cTypeOf(zeltrpc::Arg kind) {
  using zeltrpc::Arg;
  switch (kind) {
    case Arg::InLong: return CType::Long;
    case Arg::InSize: return CType::ULong;
    case Arg::InString:
    case Arg::InBuffer: return CType::Text;
    case Arg::OutBufferN:
    case Arg::OutBufferStar: return CType::Buffer;
    case Arg::OutLong:
    case Arg::InOutLong: return CType::LongPtr;
    case Arg::InOutSize: return CType::ULongPtr;
  }
  return CType::Long;
}

// The parameters of the export that reaches procedure `p`, in order.
constexpr ExportShape exportShape(const zeltrpc::ProcDesc& p) {
  using zeltrpc::ExportForm;
  ExportShape s;
  if (p.form == ExportForm::None) return s;
  const bool capacity = p.form == ExportForm::Capacity || p.form == ExportForm::CapacityNullExtra;
  const size_t argc = p.form == ExportForm::ZeroLast ? p.argc - 1u : p.argc;
  for (size_t i = 0; i < argc; ++i) {
    const auto a = static_cast<int8_t>(i);
    if (capacity && p.args[i].kind == zeltrpc::Arg::InOutSize)
      s.params[s.count++] = {CType::ULong, ExportParam::Capacity, a};
    s.params[s.count++] = {cTypeOf(p.args[i].kind), ExportParam::Argument, a};
  }
  if (p.form == ExportForm::CapacityNullExtra)
    s.params[s.count++] = {CType::LongPtr, ExportParam::NullExtra, -1};
  return s;
}

// The value of one export parameter; the member used follows its CType.
union Slot {
  int32_t l;
  uint32_t u;
  const char* text;
  char* buffer;
  int32_t* pl;
  uint32_t* pu;
};

namespace detail {

template <CType T>
auto slotValue(const Slot& s) {
  if constexpr (T == CType::Long)
    return s.l;
  else if constexpr (T == CType::ULong)
    return s.u;
  else if constexpr (T == CType::Text)
    return s.text;
  else if constexpr (T == CType::Buffer)
    return s.buffer;
  else if constexpr (T == CType::LongPtr)
    return s.pl;
  else
    return s.pu;
}

template <CType T>
using CTypeT = decltype(slotValue<T>(std::declval<const Slot&>()));

template <size_t Op>
inline constexpr ExportShape kShape = exportShape(zeltrpc::kProcedures[Op]);

template <size_t Op, size_t... I>
uint32_t callWith(void* fn, const Slot* slots, std::index_sequence<I...>) {
  using Fn = uint32_t (*)(CTypeT<kShape<Op>.params[I].type>...);
  return reinterpret_cast<Fn>(fn)(slotValue<kShape<Op>.params[I].type>(slots[I])...);
}

template <size_t Op>
uint32_t callExport(void* fn, const Slot* slots) {
  return callWith<Op>(fn, slots, std::make_index_sequence<kShape<Op>.count>());
}

using Caller = uint32_t (*)(void* fn, const Slot* slots);

template <size_t... Op>
constexpr std::array<Caller, sizeof...(Op)> makeCallers(std::index_sequence<Op...>) {
  return {&callExport<Op>...};
}

}  // namespace detail

// Calls `fn`, the export that reaches procedure `opnum`, with
// exportShape(kProcedures[opnum]).count values from `slots`.
inline uint32_t callExport(uint16_t opnum, void* fn, const Slot* slots) {
  static constexpr auto kCallers =
      detail::makeCallers(std::make_index_sequence<zeltrpc::kOpnumCount>());
  return kCallers[opnum](fn, slots);
}

}  // namespace zeltctl
