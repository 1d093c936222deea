#include "tools/zeltctl/output.h"

#include <algorithm>
#include <utility>

#include "zeltrpc/rpc/status.h"

namespace zeltctl {

namespace {

namespace st = zeltrpc::rpc;

// The statuses zeltrpc.h documents, and the service's own common results.
constexpr std::pair<uint32_t, const char*> kStatusNames[] = {
    {st::kOk, "ERROR_SUCCESS"},
    {2, "ERROR_FILE_NOT_FOUND"},
    {st::kAccessDenied, "ERROR_ACCESS_DENIED"},
    {st::kOutOfMemory, "ERROR_OUTOFMEMORY"},
    {st::kInvalidParameter, "ERROR_INVALID_PARAMETER"},
    {st::kMoreData, "ERROR_MORE_DATA"},
    {st::kServerOutOfMemory, "ERROR_NOT_ENOUGH_SERVER_MEMORY"},
    {1168, "ERROR_NOT_FOUND"},
    {st::kInvalidStringBinding, "RPC_S_INVALID_STRING_BINDING"},
    {st::kInvalidBinding, "RPC_S_INVALID_BINDING"},
    {st::kProtseqNotSupported, "RPC_S_PROTSEQ_NOT_SUPPORTED"},
    {st::kInvalidRpcProtseq, "RPC_S_INVALID_RPC_PROTSEQ"},
    {st::kInvalidEndpointFormat, "RPC_S_INVALID_ENDPOINT_FORMAT"},
    {st::kUnknownIf, "RPC_S_UNKNOWN_IF"},
    {st::kServerUnavailable, "RPC_S_SERVER_UNAVAILABLE"},
    {st::kServerTooBusy, "RPC_S_SERVER_TOO_BUSY"},
    {st::kCallFailed, "RPC_S_CALL_FAILED"},
    {st::kCallFailedDne, "RPC_S_CALL_FAILED_DNE"},
    {st::kProtocolError, "RPC_S_PROTOCOL_ERROR"},
    {st::kUnsupportedTransSyn, "RPC_S_UNSUPPORTED_TRANS_SYN"},
    {st::kUnsupportedType, "RPC_S_UNSUPPORTED_TYPE"},
    {st::kProcnumOutOfRange, "RPC_S_PROCNUM_OUT_OF_RANGE"},
    {st::kUnknownAuthnService, "RPC_S_UNKNOWN_AUTHN_SERVICE"},
    {st::kInternalError, "RPC_S_INTERNAL_ERROR"},
    {st::kNullRefPointer, "RPC_X_NULL_REF_POINTER"},
    {st::kBadStubData, "RPC_X_BAD_STUB_DATA"},
    {st::kCallCancelled, "RPC_S_CALL_CANCELLED"},
    {st::kCommFailure, "RPC_S_COMM_FAILURE"},
};

bool printable(const std::vector<uint8_t>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

std::string hex(const std::vector<uint8_t>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s.push_back(digits[b >> 4]);
    s.push_back(digits[b & 15]);
  }
  return s;
}

// A JSON string of printable ASCII (the only text shown).
std::string quoted(std::string_view text) {
  std::string s = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') s.push_back('\\');
    s.push_back(c);
  }
  return s + '"';
}

}  // namespace

const char* statusName(uint32_t status) {
  for (const auto& [value, name] : kStatusNames)
    if (value == status) return name;
  return "";
}

std::string formatLines(const std::vector<OutputValue>& values, uint32_t status) {
  std::string out;
  for (const OutputValue& v : values) {
    if (!v.isBuffer) {
      out += v.name + "=" + std::to_string(v.number) + "\n";
      continue;
    }
    out += v.name + "=" + hex(v.bytes) + "\n";
    if (!v.bytes.empty() && printable(v.bytes))
      out += v.name + ".text=" + std::string(v.bytes.begin(), v.bytes.end()) + "\n";
  }
  const std::string name = statusName(status);
  return out + "status=" + std::to_string(status) + (name.empty() ? "" : " " + name) + "\n";
}

std::string formatJson(const std::vector<OutputValue>& values, uint32_t status) {
  std::string out = "{";
  for (const OutputValue& v : values) {
    if (!v.isBuffer) {
      out += quoted(v.name) + ": " + std::to_string(v.number) + ", ";
      continue;
    }
    out += quoted(v.name) + ": " + quoted(hex(v.bytes)) + ", ";
    if (!v.bytes.empty() && printable(v.bytes))
      out +=
          quoted(v.name + ".text") + ": " +
          quoted(std::string_view(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size())) +
          ", ";
  }
  return out + "\"status\": " + std::to_string(status) +
         ", \"statusName\": " + quoted(statusName(status)) + "}\n";
}

}  // namespace zeltctl
