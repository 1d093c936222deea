#include "zeltrpc/rpc/status.h"

namespace zeltrpc::rpc {

uint32_t mapFaultStatus(uint32_t s) {
  switch (s) {
    case 0x1C010001: return kCommFailure;
    case 0x1C010002: return kProcnumOutOfRange;
    case 0x1C010003: return kUnknownIf;
    case 0x1C010009: return kCallFailed;
    case 0x1C01000B: return kProtocolError;
    case 0x1C010013: return kServerOutOfMemory;
    case 0x1C010014: return kServerTooBusy;
    case 0x1C010017: return kUnsupportedType;
    case 0x1C000001: return 1767;
    case 0x1C000002: return 1768;
    case 0x1C000003: return 1769;
    case 0x1C000004: return 1770;
    case 0x1C000005: return 1771;
    case 0x1C000006: return 1733;
    case 0x1C000007: return 1734;
    case 0x1C000008: return kProtocolError;
    case 0x1C000009: return kCallFailed;
    case 0x1C00000A: return kCallFailedDne;
    case 0x1C00000B: return kCallFailed;
    case 0x1C00000C: return kCallFailedDne;
    case 0x1C00000D: return kCallCancelled;
    case 0x1C00000E: return 1768;
    case 0x1C00000F: return 1771;
    case 0x1C000010: return 1768;
    case 0x1C000012: return kCallFailed;
    case 0x1C000014: return 1918;
    case 0x1C000015: return 1916;
    case 0x1C000016: return 1831;
    case 0x1C000017: return 1917;
    case 0x1C000018: return kCommFailure;
    case 0x1C000019: return kOutOfMemory;
    case 0x1C00001A: return 6;
    case 0x1C00001B: return kServerOutOfMemory;
    default: return s;
  }
}

}  // namespace zeltrpc::rpc
