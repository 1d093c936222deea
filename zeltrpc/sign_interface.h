// The sign service remote interface: its identity, its well-known endpoints
// and every procedure by opnum as a list of argument kinds, with the names
// the exports give them and how the exports reach them. The client
// marshaller (client_stub.cpp), the stand-in server and the command-line
// client zeltctl interpret this one table; no procedure has a hand-written
// body.
#pragma once

#include <array>
#include <cstddef>
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
  int8_t sizeArg;    // for buffers: index of the argument that gives the count
  const char* name;  // the parameter's name in zeltrpc.h
};

// How the library's export reaches a procedure: the export is "zelt" +
// exportName and takes the procedure's arguments in order, except as the
// form says. zeltctl derives each export's C signature from this.
enum class ExportForm : uint8_t {
  None,               // no export calls this procedure
  Direct,             // the procedure's arguments, unchanged
  Capacity,           // plus a capacity (unsigned long) just before the in,out
                      // size, stored into the size before the call
  ZeroLast,           // without the last long, which the export sends as 0
  CapacityNullExtra,  // as Capacity, plus a trailing long out passed as null
                      // (the export calls another procedure when it is not)
};

inline constexpr size_t kMaxArgs = 8;

struct ProcDesc {
  const char* name;  // nullptr for opnums without a client procedure
  uint8_t argc;
  std::array<ArgDesc, kMaxArgs> args;
  ExportForm form = ExportForm::None;
  const char* exportName = nullptr;  // without the "zelt" prefix
};

inline constexpr size_t kOpnumCount = 59;

namespace table {

inline constexpr ArgDesc L(const char* n) { return {Arg::InLong, -1, n}; }
inline constexpr ArgDesc N(const char* n) { return {Arg::InSize, -1, n}; }
inline constexpr ArgDesc S(const char* n) { return {Arg::InString, -1, n}; }
inline constexpr ArgDesc OL(const char* n) { return {Arg::OutLong, -1, n}; }
inline constexpr ArgDesc IOS(const char* n) { return {Arg::InOutSize, -1, n}; }
inline constexpr ArgDesc IOL(const char* n) { return {Arg::InOutLong, -1, n}; }
inline constexpr ArgDesc IB(int8_t s, const char* n) { return {Arg::InBuffer, s, n}; }
inline constexpr ArgDesc OBN(int8_t s, const char* n) { return {Arg::OutBufferN, s, n}; }
inline constexpr ArgDesc OBS(int8_t s, const char* n) { return {Arg::OutBufferStar, s, n}; }

template <class... D>
constexpr ProcDesc Export(ExportForm form, const char* exportName, const char* name, D... d) {
  return ProcDesc{name, static_cast<uint8_t>(sizeof...(D)), {d...}, form, exportName};
}
// A procedure that export "zelt" + name calls with its own arguments.
template <class... D>
constexpr ProcDesc P(const char* name, D... d) {
  return Export(ExportForm::Direct, name, name, d...);
}
// One that the export calls after storing its capacity argument into size.
template <class... D>
constexpr ProcDesc PCap(const char* name, D... d) {
  return Export(ExportForm::Capacity, name, name, d...);
}
// One whose export leaves out the last long and sends 0 for it.
template <class... D>
constexpr ProcDesc PZero(const char* name, D... d) {
  return Export(ExportForm::ZeroLast, name, name, d...);
}
// An opnum no export calls.
template <class... D>
constexpr ProcDesc None(D... d) {
  return Export(ExportForm::None, nullptr, nullptr, d...);
}

// Every opnum of the interface, indexed by opnum, with the parameter names
// of zeltrpc.h.
// clang-format off: one procedure a line, opnums in one column.
inline constexpr std::array<ProcDesc, kOpnumCount> kProcedures = {
    P("Ping"),                                                                    // 0
    None(),                                                                       // 1
    P("PlaySequence", S("sign"), S("sequence"), L("value1"), L("value2")),        // 2
    P("SelectFrame", S("sign"), L("frame")),                                      // 3
    P("SingleStepFrame", S("sign"), L("value")),                                  // 4
    P("RunSchedule", S("sign"), S("schedule"), L("value")),                       // 5
    P("QueueSequence", S("sign"), S("sequence"), L("value1"), L("value2")),       // 6
    P("SetDefaultSequence", S("sign"), S("sequence"), L("value1"), L("value2")),  // 7
    P("StopSequence", S("sign")),                                                 // 8
    P("BlankSign", S("sign")),                                                    // 9
    P("EndSchedule", S("sign")),                                                  // 10
    P("NextItem", S("sign")),                                                     // 11
    P("ClearQueue", S("sign")),                                                   // 12
    P("SetDimming", S("sign"), L("value1"), L("value2")),                         // 13
    P("CheckSequence", S("sign"), S("sequence")),                                 // 14
    P("GetChangeFlag", S("sign"), OL("flag")),                                    // 15
    P("GetSchedChangeFlag", S("sign"), OL("flag")),                               // 16
    None(S("text"), OBS(2, "buffer"), IOS("size")),                               // 17
    P("GetPhotocell", S("sign"), OL("value")),                                    // 18
    PCap("GetStatus", S("sign"), OBS(2, "buffer"), IOS("size")),                  // 19
    P("GetSchedSeqStatus", S("sign"), OBS(2, "buffer1"), IOS("size1"), OBS(4, "buffer2"),
      IOS("size2"), IOL("value")),  // 20
    P("GetFrameStatus", S("sign"), OBS(2, "buffer"), IOS("size"), OL("value1"), OL("value2"),
      OL("value3"), OL("value4"), OL("value5")),                                  // 21
    P("GetEffectStatus", S("sign"), OL("value"), OBS(3, "buffer"), IOS("size")),  // 22
    P("GetSchedule", S("sign"), IOS("size"), OBS(1, "buffer"), OL("value")),      // 23
    PCap("GetQueue", S("sign"), OBS(2, "buffer"), IOS("size")),                   // 24
    PCap("GetConfig", S("sign"), OBS(2, "buffer"), IOS("size")),                  // 25
    Export(ExportForm::CapacityNullExtra, "GetBulb", "GetBulb", S("sign"), OBS(2, "buffer"),
           IOS("size")),  // 26
    Export(ExportForm::Capacity, "GetBulb", "GetBulbEx", S("sign"), OBS(2, "buffer"), IOS("size"),
           OL("extra")),                                                     // 27
    PCap("ListSigns", OBS(1, "buffer"), IOS("size")),                        // 28
    PCap("ListWindows", S("sign"), OBS(2, "buffer"), IOS("size")),           // 29
    P("WindowEnable", S("sign"), L("value1"), L("value2")),                  // 30
    P("WindowMove", S("sign"), L("value1"), L("value2"), L("value3")),       // 31
    P("QueueWindowEnable", S("sign"), L("value1"), L("value2")),             // 32
    P("QueueWindowMove", S("sign"), L("value1"), L("value2"), L("value3")),  // 33
    PZero("SetRealTimeData", L("value1"), IB(2, "data"), N("length"), L("value2"),
          L("value3")),  // 34
    PZero("GetRealTimeData", L("value1"), OBN(2, "data"), N("length"), L("value2"),
          L("value3")),                                                            // 35
    None(L("value1"), IB(2, "data"), N("length"), OBS(4, "buffer"), IOS("size")),  // 36
    None(L("value1"), IB(2, "data"), N("length"), OBS(4, "buffer1"), IOS("size1"),
         OBS(6, "buffer2"), IOS("size2")),  // 37
    None(L("value1"), IB(2, "data"), N("length"), OBS(4, "buffer"), IOS("size"), IB(6, "data2"),
         N("length2")),  // 38
    P("GetDefaultSequence", S("sign"), OBS(2, "buffer"), IOS("size"), OL("value1"),
      OL("value2")),                                                                         // 39
    P("SendRealTimeDataPort", L("port"), IB(2, "data"), N("length")),                        // 40
    P("ShowFrame", S("sign"), IB(2, "data"), N("length")),                                   // 41
    P("VLGetChangeFlag", S("sign"), OL("flag")),                                             // 42
    P("VLGetStatus", S("sign"), OBS(2, "buffer"), IOS("size")),                              // 43
    P("VLGetConfig", S("sign"), OBS(2, "buffer"), IOS("size")),                              // 44
    P("VLSendBrightness", S("sign"), L("value")),                                            // 45
    P("VLSendContrast", S("sign"), L("value")),                                              // 46
    P("VLSendSaturation", S("sign"), L("value")),                                            // 47
    P("VLSendHue", S("sign"), L("value")),                                                   // 48
    P("VLSendFormat", S("sign"), L("value")),                                                // 49
    P("VLSendInput", S("sign"), L("value")),                                                 // 50
    P("VLSendSource", S("sign"), L("value")),                                                // 51
    P("VLSendViewableArea", S("sign"), L("value1"), L("value2"), L("value3"), L("value4")),  // 52
    P("VLSendWindow", S("sign"), L("value1"), L("value2"), L("value3"), L("value4")),        // 53
    P("VLReadFmtInpSrc", S("sign"), OL("format"), OL("input"), OL("source")),                // 54
    P("VLReadViewableArea", S("sign"), OL("value1"), OL("value2"), OL("value3"),
      OL("value4")),                                                                       // 55
    P("VLReadWindow", S("sign"), OL("value1"), OL("value2"), OL("value3"), OL("value4")),  // 56
    P("VLReadBCHS", S("sign"), OL("brightness"), OL("contrast"), OL("hue"),
      OL("saturation")),                                             // 57
    PCap("ListServers", OBS(1, "buffer"), IOS("size"), L("value")),  // 58
};
// clang-format on

}  // namespace table

using table::kProcedures;

// The largest text or data a call carries in one argument, and the largest
// fixed-size output (an out buffer(n)) it asks for: 16 MiB. The client
// procedures refuse a bigger one with ERROR_INVALID_PARAMETER (87) before
// anything is sent; zeltctl reads input files and batch lines up to it.
inline constexpr uint32_t kMaxArgumentBytes = 16 * 1024 * 1024;

// The largest request stub any procedure makes with each text and data
// argument at kMaxArgumentBytes (a string's NUL, counts and alignment
// included): what a server must take to serve every request the client
// sends.
constexpr size_t largestRequestStub() {
  size_t largest = 0;
  for (const ProcDesc& p : kProcedures) {
    size_t n = 0;
    for (size_t i = 0; i < p.argc; ++i) {
      switch (p.args[i].kind) {
        case Arg::InLong:
        case Arg::InSize:
        case Arg::InOutSize:
        case Arg::InOutLong: n += 8; break;  // up to 3 alignment bytes, then 4
        case Arg::InString: n += 16 + size_t{kMaxArgumentBytes}; break;
        case Arg::InBuffer: n += 8 + size_t{kMaxArgumentBytes}; break;
        default: break;  // not in the request
      }
    }
    largest = n > largest ? n : largest;
  }
  return largest;
}
inline constexpr size_t kMaxRequestStub = largestRequestStub();

// c3e3e6e0-4f8a-11cf-8e44-00a024035616 v1.0 with its endpoint table.
const rpc::InterfaceSpec& signInterface();

// Opnums of the procedures the exports call by name, and of the five
// without a client procedure (the client never sends those; the stand-in
// server answers them after their argument lists above).
enum Op : uint16_t {
  kUnnamed1 = 1,
  kUnnamed17 = 17,
  kUnnamed36 = 36,
  kUnnamed37 = 37,
  kUnnamed38 = 38,
  kPing = 0,
  kPlaySequence = 2,
  kSelectFrame = 3,
  kSingleStepFrame = 4,
  kRunSchedule = 5,
  kQueueSequence = 6,
  kSetDefaultSequence = 7,
  kStopSequence = 8,
  kBlankSign = 9,
  kEndSchedule = 10,
  kNextItem = 11,
  kClearQueue = 12,
  kSetDimming = 13,
  kCheckSequence = 14,
  kGetChangeFlag = 15,
  kGetSchedChangeFlag = 16,
  kGetPhotocell = 18,
  kGetStatus = 19,
  kGetSchedSeqStatus = 20,
  kGetFrameStatus = 21,
  kGetEffectStatus = 22,
  kGetSchedule = 23,
  kGetQueue = 24,
  kGetConfig = 25,
  kGetBulb = 26,
  kGetBulbEx = 27,
  kListSigns = 28,
  kListWindows = 29,
  kWindowEnable = 30,
  kWindowMove = 31,
  kQueueWindowEnable = 32,
  kQueueWindowMove = 33,
  kSetRealTimeData = 34,
  kGetRealTimeData = 35,
  kGetDefaultSequence = 39,
  kSendRealTimeDataPort = 40,
  kShowFrame = 41,
  kVLGetChangeFlag = 42,
  kVLGetStatus = 43,
  kVLGetConfig = 44,
  kVLSendBrightness = 45,
  kVLSendContrast = 46,
  kVLSendSaturation = 47,
  kVLSendHue = 48,
  kVLSendFormat = 49,
  kVLSendInput = 50,
  kVLSendSource = 51,
  kVLSendViewableArea = 52,
  kVLSendWindow = 53,
  kVLReadFmtInpSrc = 54,
  kVLReadViewableArea = 55,
  kVLReadWindow = 56,
  kVLReadBCHS = 57,
  kListServers = 58,
};

}  // namespace zeltrpc
