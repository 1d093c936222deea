#include "tools/zeltctl/call.h"

#include <dlfcn.h>

#include <algorithm>

#include "tools/zeltctl/export_call.h"
#include "zeltrpc.h"
#include "zeltrpc/rpc/status.h"

namespace zeltctl {

using zeltrpc::Arg;
using zeltrpc::kProcedures;

Connection::~Connection() {
  if (m_open) zeltDisconnectSign();
}

uint32_t Connection::open() {
  if (m_open) return 0;
  const uint32_t status = zeltConnectSign(m_server.c_str());
  m_open = status == 0;
  return status;
}

namespace {

constexpr size_t kMaxParams = zeltrpc::kMaxArgs + 1;

// Storage for every procedure argument of one call: the longs (in, out and
// in-out), the sizes and the output buffers.
struct ArgumentStorage {
  std::array<int32_t, zeltrpc::kMaxArgs> longs{};
  std::array<uint32_t, zeltrpc::kMaxArgs> sizes{};
  std::array<std::vector<char>, zeltrpc::kMaxArgs> out;
};

// The call's longs, each size (an input buffer's count, or the length of an
// output one), and out buffers of call.size bytes (at least one, so that no
// pointer is null).
ArgumentStorage prepareArguments(const zeltrpc::ProcDesc& p, const Invocation& call) {
  ArgumentStorage a;
  a.longs = call.longs;
  for (size_t i = 0; i < p.argc; ++i) {
    switch (p.args[i].kind) {
      case Arg::InSize: {
        const auto sized =
            std::find_if(p.args.begin(), p.args.begin() + p.argc, [&](const auto& arg) {
              return (arg.kind == Arg::InBuffer || arg.kind == Arg::OutBufferN) &&
                     arg.sizeArg == static_cast<int8_t>(i);
            });
        const auto j = static_cast<size_t>(sized - p.args.begin());
        a.sizes[i] = sized->kind == Arg::InBuffer
                         ? static_cast<uint32_t>(call.buffers[j].bytes.size())
                         : call.size;
        break;
      }
      case Arg::InOutSize: a.sizes[i] = call.size; break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar: a.out[i].assign(std::max<uint32_t>(call.size, 1), 0); break;
      default: break;
    }
  }
  return a;
}

// The export's parameters in its own order, pointing into `a`.
std::array<Slot, kMaxParams> exportParameters(const zeltrpc::ProcDesc& p, const Invocation& call,
                                              ArgumentStorage& a) {
  static const char kNoBytes = 0;
  auto inputData = [&](size_t i) {
    const auto& b = call.buffers[i].bytes;
    return b.empty() ? &kNoBytes : reinterpret_cast<const char*>(b.data());
  };
  std::array<Slot, kMaxParams> slots{};
  const ExportShape shape = exportShape(p);
  for (size_t k = 0; k < shape.count; ++k) {
    const ExportParam& e = shape.params[k];
    Slot& s = slots[k];
    if (e.role == ExportParam::Capacity) {
      s.u = call.size;
      continue;
    }
    if (e.role == ExportParam::NullExtra) {
      s.pl = nullptr;
      continue;
    }
    const auto i = static_cast<size_t>(e.arg);
    switch (p.args[i].kind) {
      case Arg::InLong: s.l = a.longs[i]; break;
      case Arg::InSize: s.u = a.sizes[i]; break;
      case Arg::InString: s.text = call.texts[i].c_str(); break;
      case Arg::InBuffer: s.text = inputData(i); break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar: s.buffer = a.out[i].data(); break;
      case Arg::OutLong:
      case Arg::InOutLong: s.pl = &a.longs[i]; break;
      case Arg::InOutSize: s.pu = &a.sizes[i]; break;
    }
  }
  return slots;
}

// The output values in argument order, buffers cut to what the service
// filled and to their capacity.
std::vector<OutputValue> collectOutputs(const zeltrpc::ProcDesc& p, const Invocation& call,
                                        const ArgumentStorage& a) {
  std::vector<OutputValue> outputs;
  for (size_t i = 0; i < p.argc; ++i) {
    if (!isOutput(p, i)) continue;
    OutputValue v;
    v.name = p.args[i].name;
    switch (p.args[i].kind) {
      case Arg::OutLong:
      case Arg::InOutLong: v.number = a.longs[i]; break;
      case Arg::InOutSize: v.number = a.sizes[i]; break;
      case Arg::OutBufferN:
      case Arg::OutBufferStar: {
        const uint32_t count = a.sizes[static_cast<size_t>(p.args[i].sizeArg)];
        const size_t n = std::min<size_t>(count, call.size);
        v.isBuffer = true;
        v.bytes.assign(a.out[i].begin(), a.out[i].begin() + static_cast<std::ptrdiff_t>(n));
        break;
      }
      default: break;
    }
    outputs.push_back(std::move(v));
  }
  return outputs;
}

}  // namespace

bool makeCall(const Invocation& call, Connection& connection, uint32_t& status,
              std::vector<OutputValue>& outputs, std::string& error, bool* connectFailed) {
  const zeltrpc::ProcDesc& p = kProcedures[call.opnum];
  const std::string exportName = std::string("zelt") + p.exportName;
  void* fn = dlsym(RTLD_DEFAULT, exportName.c_str());
  if (!fn) {
    error = "libZeltRpc has no function " + exportName;
    return false;
  }
  ArgumentStorage arguments = prepareArguments(p, call);
  std::array<Slot, kMaxParams> slots = exportParameters(p, call, arguments);
  status = connection.open();
  if (connectFailed) *connectFailed = status != 0;
  if (status == 0) status = callExport(call.opnum, fn, slots.data());
  outputs.clear();
  if (status == 0 || status == zeltrpc::rpc::kMoreData)
    outputs = collectOutputs(p, call, arguments);
  return true;
}

}  // namespace zeltctl
