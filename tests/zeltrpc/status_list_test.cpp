// zeltrpc.h names every status the library can return: each status value of
// the runtime, and every value a fault of the service is mapped to.

#include <gtest/gtest.h>
#include <zeltrpc.h>

#include <cstdint>
#include <set>
#include <string>

#include "zeltrpc/rpc/status.h"

namespace {

struct Named {
  uint32_t value;
  std::string name;
};

#define ROW(name, value, text) {value, #name},
const Named kNamed[] = {ZELTRPC_STATUS_LIST(ROW)};
#undef ROW

bool IsNamed(uint32_t value) {
  for (const Named& n : kNamed)
    if (n.value == value) return true;
  return false;
}

TEST(StatusList, NamesEveryStatusTheRuntimeReturns) {
  namespace st = zeltrpc::rpc;
  for (uint32_t status : {st::kOk,
                          st::kAccessDenied,
                          st::kOutOfMemory,
                          st::kInvalidParameter,
                          st::kMoreData,
                          st::kServerOutOfMemory,
                          st::kInvalidStringBinding,
                          st::kInvalidBinding,
                          st::kProtseqNotSupported,
                          st::kInvalidRpcProtseq,
                          st::kInvalidEndpointFormat,
                          st::kUnknownIf,
                          st::kServerUnavailable,
                          st::kServerTooBusy,
                          st::kCallFailed,
                          st::kCallFailedDne,
                          st::kProtocolError,
                          st::kUnsupportedTransSyn,
                          st::kUnsupportedType,
                          st::kProcnumOutOfRange,
                          st::kUnknownAuthnService,
                          st::kInternalError,
                          st::kNullRefPointer,
                          st::kBadStubData,
                          st::kCallCancelled,
                          st::kCommFailure}) {
    EXPECT_TRUE(IsNamed(status)) << status;
  }
  // Every fault code the runtime maps becomes a named status.
  for (uint32_t base : {0x1C000000u, 0x1C010000u}) {
    for (uint32_t code = base; code < base + 0x100; ++code) {
      const uint32_t mapped = st::mapFaultStatus(code);
      if (mapped != code) {
        EXPECT_TRUE(IsNamed(mapped)) << std::hex << code << " -> " << mapped;
      }
    }
  }
}

TEST(StatusList, ConstantsCarryTheirValuesAndNamesAreUnique) {
  EXPECT_EQ(ZELT_ERROR_INVALID_PARAMETER, 87);
  EXPECT_EQ(ZELT_RPC_S_SERVER_UNAVAILABLE, 1722);
  EXPECT_EQ(ZELT_RPC_S_CALL_CANCELLED, 1818);
  std::set<uint32_t> values;
  std::set<std::string> names;
  for (const Named& n : kNamed) {
    EXPECT_TRUE(values.insert(n.value).second) << n.value;
    EXPECT_TRUE(names.insert(n.name).second) << n.name;
  }
}

}  // namespace
