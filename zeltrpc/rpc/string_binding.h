// String bindings in the Windows syntax:
//   [ObjectUUID@]ProtSeq:[NetworkAddr][[Endpoint][,Option=Value...]]
// Composing escapes '@', ':', '[', ']' and '\' inside a component with a
// backslash; parsing drops one backslash before any character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zeltrpc::rpc {

struct StringBinding {
  std::string objectUuid;
  std::string protseq;
  std::string networkAddress;
  std::string endpoint;
  std::string options;  // "Option=Value,..." as given, unescaped
};

std::string composeStringBinding(const StringBinding& parts);

// Returns 0 or RPC_S_INVALID_STRING_BINDING (1700) for text that does not
// have the shape above (no protocol sequence, unbalanced brackets, text after
// the closing bracket, a dangling backslash).
uint32_t parseStringBinding(std::string_view text, StringBinding& parts);

}  // namespace zeltrpc::rpc
