// Status values of the RPC runtime and the mapping of fault codes.
//
// Every failure inside the runtime ends as one of these 32-bit values; nothing
// is thrown across the library boundary. The numbers are the Win32 values that
// clients of the sign service already know.
#pragma once

#include <cstdint>

namespace zeltrpc::rpc {

inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kAccessDenied = 5;  // socket directory not ours
inline constexpr uint32_t kOutOfMemory = 14;
inline constexpr uint32_t kInvalidParameter = 87;  // argument check failed, nothing sent
inline constexpr uint32_t kMoreData = 234;         // service: buffer too small, reply cut
inline constexpr uint32_t kServerOutOfMemory = 1130;
inline constexpr uint32_t kInvalidStringBinding = 1700;
inline constexpr uint32_t kInvalidBinding = 1702;       // null binding handle
inline constexpr uint32_t kProtseqNotSupported = 1703;  // ncacn_np, ncacn_nb_nb, ...
inline constexpr uint32_t kInvalidRpcProtseq = 1704;
inline constexpr uint32_t kInvalidEndpointFormat = 1706;
inline constexpr uint32_t kUnknownIf = 1717;
inline constexpr uint32_t kServerUnavailable = 1722;  // nobody listening, bind failed
inline constexpr uint32_t kServerTooBusy = 1723;
inline constexpr uint32_t kCallFailed = 1726;     // connection lost after the request went out
inline constexpr uint32_t kCallFailedDne = 1727;  // request could not be sent
inline constexpr uint32_t kProtocolError = 1728;  // malformed PDU, wrong call id or type
inline constexpr uint32_t kUnsupportedTransSyn = 1730;  // the service does not accept NDR
inline constexpr uint32_t kUnsupportedType = 1732;
inline constexpr uint32_t kProcnumOutOfRange = 1745;
inline constexpr uint32_t kUnknownAuthnService = 1747;
inline constexpr uint32_t kInternalError = 1766;   // an unexpected failure inside the library
inline constexpr uint32_t kNullRefPointer = 1780;  // null argument no check tests, nothing sent
inline constexpr uint32_t kBadStubData =
    1783;  // reply body malformed or larger than the caller's storage
inline constexpr uint32_t kCallCancelled = 1818;  // call time-out (ZELTRPC_TIMEOUT_MS) ran out
inline constexpr uint32_t kCommFailure = 1820;

// nca_s_* codes a server may put into a fault PDU.
inline constexpr uint32_t kNcaOpRangeError = 0x1C010002;
inline constexpr uint32_t kNcaUnkIf = 0x1C010003;
inline constexpr uint32_t kNcaProtoError = 0x1C01000B;
inline constexpr uint32_t kNcaFaultUnspec = 0x1C000012;
inline constexpr uint32_t kNcaFaultNdr = 0x000006F7;

// Maps the status of a fault PDU to the value a client procedure returns:
// nca_s_* codes become their Win32 counterparts, anything else passes unchanged.
uint32_t mapFaultStatus(uint32_t ncaStatus);

}  // namespace zeltrpc::rpc
