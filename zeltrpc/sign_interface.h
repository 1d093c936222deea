// The sign service remote interface: its identity, its well-known endpoints
// and every procedure by opnum as a list of argument kinds. The client
// marshaller (client_stub.cpp) and the stand-in server interpret this one
// table; no procedure has a hand-written body.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "zeltrpc/rpc/binding.h"

namespace zeltrpc {

// Argument kinds; the binding handle is never listed (it is not transmitted).
enum class Arg : uint8_t {
  InLong,         // [in] long: 4 bytes
  InSize,         // [in] unsigned long giving the count of a buffer
  InString,       // [in, string] char*: conformant varying string
  InBuffer,       // [in, size_is(n)] char*: conformant array of n bytes
  OutBufferN,     // [out, size_is(n)] char*, n an in size
  OutBufferStar,  // [out, size_is(*s)] char*, s an in,out size
  OutLong,        // [out] long*
  InOutSize,      // [in, out] unsigned long* sizing an out buffer
  InOutLong,      // [in, out] long*
};

struct ArgDesc {
  Arg kind;
  int8_t sizeArg;  // for buffers: index of the argument that gives the count
};

inline constexpr size_t kMaxArgs = 8;

struct ProcDesc {
  const char* name;  // nullptr for opnums without a client procedure
  uint8_t argc;
  std::array<ArgDesc, kMaxArgs> args;
};

inline constexpr size_t kOpnumCount = 59;

namespace table {

inline constexpr ArgDesc L{Arg::InLong, -1};
inline constexpr ArgDesc N{Arg::InSize, -1};
inline constexpr ArgDesc S{Arg::InString, -1};
inline constexpr ArgDesc OL{Arg::OutLong, -1};
inline constexpr ArgDesc IOS{Arg::InOutSize, -1};
inline constexpr ArgDesc IOL{Arg::InOutLong, -1};
inline constexpr ArgDesc IB(int8_t n) { return {Arg::InBuffer, n}; }
inline constexpr ArgDesc OBN(int8_t n) { return {Arg::OutBufferN, n}; }
inline constexpr ArgDesc OBS(int8_t s) { return {Arg::OutBufferStar, s}; }

template <class... D>
constexpr ProcDesc P(const char* name, D... d) {
  return ProcDesc{name, static_cast<uint8_t>(sizeof...(D)), {d...}};
}

// Indexed by opnum.
// Every opnum of the interface, indexed by opnum.
inline constexpr std::array<ProcDesc, kOpnumCount> kProcedures = {
    P("Ping"),                                                   // 0
    P(nullptr),                                                  // 1
    P("PlaySequence", S, S, L, L),                               // 2
    P("SelectFrame", S, L),                                      // 3
    P("SingleStepFrame", S, L),                                  // 4
    P("RunSchedule", S, S, L),                                   // 5
    P("QueueSequence", S, S, L, L),                              // 6
    P("SetDefaultSequence", S, S, L, L),                         // 7
    P("StopSequence", S),                                        // 8
    P("BlankSign", S),                                           // 9
    P("EndSchedule", S),                                         // 10
    P("NextItem", S),                                            // 11
    P("ClearQueue", S),                                          // 12
    P("SetDimming", S, L, L),                                    // 13
    P("CheckSequence", S, S),                                    // 14
    P("GetChangeFlag", S, OL),                                   // 15
    P("GetSchedChangeFlag", S, OL),                              // 16
    P(nullptr, S, OBS(2), IOS),                                  // 17
    P("GetPhotocell", S, OL),                                    // 18
    P("GetStatus", S, OBS(2), IOS),                              // 19
    P("GetSchedSeqStatus", S, OBS(2), IOS, OBS(4), IOS, IOL),    // 20
    P("GetFrameStatus", S, OBS(2), IOS, OL, OL, OL, OL, OL),     // 21
    P("GetEffectStatus", S, OL, OBS(3), IOS),                    // 22
    P("GetSchedule", S, IOS, OBS(1), OL),                        // 23
    P("GetQueue", S, OBS(2), IOS),                               // 24
    P("GetConfig", S, OBS(2), IOS),                              // 25
    P("GetBulb", S, OBS(2), IOS),                                // 26
    P("GetBulbEx", S, OBS(2), IOS, OL),                          // 27
    P("ListSigns", OBS(1), IOS),                                 // 28
    P("ListWindows", S, OBS(2), IOS),                            // 29
    P("WindowEnable", S, L, L),                                  // 30
    P("WindowMove", S, L, L, L),                                 // 31
    P("QueueWindowEnable", S, L, L),                             // 32
    P("QueueWindowMove", S, L, L, L),                            // 33
    P("SetRealTimeData", L, IB(2), N, L, L),                     // 34
    P("GetRealTimeData", L, OBN(2), N, L, L),                    // 35
    P(nullptr, L, IB(2), N, OBS(4), IOS),                        // 36
    P(nullptr, L, IB(2), N, OBS(4), IOS, OBS(6), IOS),           // 37
    P(nullptr, L, IB(2), N, OBS(4), IOS, IB(6), N),              // 38
    P("GetDefaultSequence", S, OBS(2), IOS, OL, OL),             // 39
    P("SendRealTimeDataPort", L, IB(2), N),                      // 40
    P("ShowFrame", S, IB(2), N),                                 // 41
    P("VLGetChangeFlag", S, OL),                                 // 42
    P("VLGetStatus", S, OBS(2), IOS),                            // 43
    P("VLGetConfig", S, OBS(2), IOS),                            // 44
    P("VLSendBrightness", S, L),                                 // 45
    P("VLSendContrast", S, L),                                   // 46
    P("VLSendSaturation", S, L),                                 // 47
    P("VLSendHue", S, L),                                        // 48
    P("VLSendFormat", S, L),                                     // 49
    P("VLSendInput", S, L),                                      // 50
    P("VLSendSource", S, L),                                     // 51
    P("VLSendViewableArea", S, L, L, L, L),                      // 52
    P("VLSendWindow", S, L, L, L, L),                            // 53
    P("VLReadFmtInpSrc", S, OL, OL, OL),                         // 54
    P("VLReadViewableArea", S, OL, OL, OL, OL),                  // 55
    P("VLReadWindow", S, OL, OL, OL, OL),                        // 56
    P("VLReadBCHS", S, OL, OL, OL, OL),                          // 57
    P("ListServers", OBS(1), IOS, L),                            // 58
};

}  // namespace table

using table::kProcedures;


// c3e3e6e0-4f8a-11cf-8e44-00a024035616 v1.0 with its endpoint table.
const rpc::InterfaceSpec& signInterface();

// Opnums of the procedures the exports call by name.
enum Op : uint16_t {
  kPing = 0, kPlaySequence = 2, kSelectFrame = 3, kSingleStepFrame = 4, kRunSchedule = 5,
  kQueueSequence = 6, kSetDefaultSequence = 7, kStopSequence = 8, kBlankSign = 9,
  kEndSchedule = 10, kNextItem = 11, kClearQueue = 12, kSetDimming = 13, kCheckSequence = 14,
  kGetChangeFlag = 15, kGetSchedChangeFlag = 16, kGetPhotocell = 18, kGetStatus = 19,
  kGetSchedSeqStatus = 20, kGetFrameStatus = 21, kGetEffectStatus = 22, kGetSchedule = 23,
  kGetQueue = 24, kGetConfig = 25, kGetBulb = 26, kGetBulbEx = 27, kListSigns = 28,
  kListWindows = 29, kWindowEnable = 30, kWindowMove = 31, kQueueWindowEnable = 32,
  kQueueWindowMove = 33, kSetRealTimeData = 34, kGetRealTimeData = 35, kGetDefaultSequence = 39,
  kSendRealTimeDataPort = 40, kShowFrame = 41, kVLGetChangeFlag = 42, kVLGetStatus = 43,
  kVLGetConfig = 44, kVLSendBrightness = 45, kVLSendContrast = 46, kVLSendSaturation = 47,
  kVLSendHue = 48, kVLSendFormat = 49, kVLSendInput = 50, kVLSendSource = 51,
  kVLSendViewableArea = 52, kVLSendWindow = 53, kVLReadFmtInpSrc = 54, kVLReadViewableArea = 55,
  kVLReadWindow = 56, kVLReadBCHS = 57, kListServers = 58,
};

}  // namespace zeltrpc
