// Writes the seed corpus of the PDU and NDR fuzz targets, made with the
// runtime's own encoders and the stand-in service's reply marshaller, so the
// seeds are what a client and the service really exchange:
//
//   zeltrpc_fuzz_seeds <corpus folder>
//
// fuzz_zeltrpc_reply_pdu/: per procedure a bind_ack and its response (byte 0
// the opnum), some in big-endian or EBCDIC data representation, some cut into
// small fragments; plus bind_nak, fault, bind and request PDUs.
// fuzz_zeltrpc_pipe_framing/: PDUs one after another as a pipe carries them.
// fuzz_zeltrpc_ndr/: a reply stub and a request stub per distinct argument
// list (bytes 0-3: opnum, data representation, capacity).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tools/signsim/server_stub.h"
#include "zeltrpc/rpc/ndr.h"
#include "zeltrpc/rpc/pdu.h"
#include "zeltrpc/sign_interface.h"

using namespace zeltrpc;
using namespace zeltrpc::rpc;

namespace {

namespace fs = std::filesystem;

void writeSeed(const fs::path& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  fs::create_directories(dir);
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "zeltrpc_fuzz_seeds: cannot write %s\n", (dir / name).c_str());
    std::exit(1);
  }
}

// The reply stub the service sends for `opnum`: out buffers(n) of `sizeN`
// bytes, out buffers(*s) of at most `capacityStar` bytes, longs counting up.
std::vector<uint8_t> replyStub(uint16_t opnum, DataRep rep, uint32_t sizeN, uint32_t capacityStar) {
  const ProcDesc& p = kProcedures[opnum];
  signsim::CallArgs call;
  call.opnum = opnum;
  static const char kText[] = "SIGN1 FRAME 12 HOME 21-14";
  for (size_t i = 0; i < p.argc; ++i) {
    signsim::Value& v = call.v[i];
    switch (p.args[i].kind) {
      case Arg::OutLong:
      case Arg::InOutLong: v.u = static_cast<uint32_t>(i + 1); break;
      case Arg::OutBufferN: call.capacity[i] = sizeN; break;
      case Arg::OutBufferStar:
        call.capacity[i] = capacityStar;
        v.bytes.assign(kText, kText + std::strlen(kText));
        break;
      default: break;
    }
  }
  std::vector<uint8_t> out;
  signsim::encodeReply(call, 0, rep, out, 0);
  return out;
}

// The request stub a client sends for `opnum`, written item by item as the
// client marshaller does: in sizes `size`, strings "SIGN1", buffers of
// `size` bytes.
std::vector<uint8_t> requestStub(uint16_t opnum, DataRep rep, uint32_t size) {
  const ProcDesc& p = kProcedures[opnum];
  std::vector<uint8_t> out;
  NdrWriter w(out, 0, rep);
  const std::vector<uint8_t> bytes(size, 'D');
  for (size_t i = 0; i < p.argc; ++i) {
    switch (p.args[i].kind) {
      case Arg::InLong: w.putU32(static_cast<uint32_t>(i)); break;
      case Arg::InSize:
      case Arg::InOutSize: w.putU32(size); break;
      case Arg::InOutLong: w.putU32(7); break;
      case Arg::InString: w.putString("SIGN1", 5); break;
      case Arg::InBuffer: w.putArray(bytes.data(), size); break;
      default: break;
    }
  }
  return out;
}

std::vector<uint8_t> withPrefix(std::initializer_list<uint8_t> prefix,
                                const std::vector<uint8_t>& rest) {
  std::vector<uint8_t> out(prefix);
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

std::string name(const char* kind, uint16_t opnum, const char* suffix = "") {
  const char* proc = kProcedures[opnum].name ? kProcedures[opnum].name : "unnamed";
  char text[96];
  std::snprintf(text, sizeof text, "%s-%02u-%s%s", kind, opnum, proc, suffix);
  return text;
}

void pduSeeds(const fs::path& dir) {
  BindAckInfo ack;
  ack.secondaryAddress = "\\PIPE\\signsvc";
  ack.transferSyntax = ndrTransferSyntax();
  const DataRep little{};
  const DataRep big{true, false};
  const DataRep ebcdic{false, true};
  for (uint16_t opnum = 0; opnum < kOpnumCount; ++opnum) {
    // The fuzz target sizes buffers(n) as 7 bytes and in,out size i as 5 + i.
    const ProcDesc& p = kProcedures[opnum];
    uint32_t capacityStar = 5;
    for (size_t i = 0; i < p.argc; ++i)
      if (p.args[i].kind == Arg::OutBufferStar)
        capacityStar = 5 + static_cast<uint32_t>(p.args[i].sizeArg);
    const DataRep rep = opnum % 7 == 3 ? big : opnum % 11 == 5 ? ebcdic : little;
    const uint16_t maxFrag = opnum % 5 == 4 ? kSmallestMaxFrag : kDefaultMaxFrag;
    std::vector<uint8_t> bytes{static_cast<uint8_t>(opnum)};
    const auto head = encodeBindAck(rep, 1, ack);
    bytes.insert(bytes.end(), head.begin(), head.end());
    appendFragments(bytes, kResponse, rep, 2, 0, 0, replyStub(opnum, rep, 7, capacityStar),
                    maxFrag);
    writeSeed(dir, name("response", opnum), bytes);
  }
  std::vector<uint8_t> nak{0};
  const auto nakPdu = encodeBindNak(little, 1, 4);
  nak.insert(nak.end(), nakPdu.begin(), nakPdu.end());
  writeSeed(dir, "bind_nak", nak);
  writeSeed(dir, "fault-bad-stub-data", withPrefix({3}, encodeFault(little, 2, 0, 1783, false)));
  writeSeed(dir, "fault-did-not-execute-big-endian",
            withPrefix({3}, encodeFault(big, 2, 0, 1726, true)));
  BindInfo bind;
  bind.abstractSyntax = signInterface().syntax;
  bind.transferSyntaxes.push_back(ndrTransferSyntax());
  writeSeed(dir, "bind", withPrefix({0}, encodeBind(1, bind)));
  std::vector<uint8_t> request{2};
  appendFragments(request, kRequest, little, 3, 0, 2, requestStub(2, little, 4), kDefaultMaxFrag);
  writeSeed(dir, "request-02", request);
}

// What the named pipe carries: whole PDUs one after another.
void pipeSeeds(const fs::path& dir) {
  const DataRep little{};
  BindInfo bind;
  bind.abstractSyntax = signInterface().syntax;
  bind.transferSyntaxes.push_back(ndrTransferSyntax());
  std::vector<uint8_t> bytes = encodeBind(1, bind);
  appendFragments(bytes, kRequest, little, 2, 0, 40, requestStub(40, little, 57), kDefaultMaxFrag);
  writeSeed(dir, "bind-request", bytes);

  BindAckInfo ack;
  ack.secondaryAddress = "\\PIPE\\zeltrpc";
  ack.transferSyntax = ndrTransferSyntax();
  bytes = encodeBindAck(little, 1, ack);
  appendFragments(bytes, kResponse, little, 2, 0, 0, replyStub(28, little, 7, 64),
                  kSmallestMaxFrag);
  writeSeed(dir, "bind_ack-fragmented-response", bytes);

  bytes = encodeFault(DataRep{true, false}, 2, 0, 1783, false);
  const auto nak = encodeBindNak(little, 3, 4);
  bytes.insert(bytes.end(), nak.begin(), nak.end());
  writeSeed(dir, "fault-big-endian-bind_nak", bytes);

  bytes.clear();
  appendFragments(bytes, kResponse, little, 2, 0, 0, replyStub(35, little, 7, 32), kDefaultMaxFrag);
  bytes.resize(bytes.size() - 5);  // the pipe closed inside the PDU
  writeSeed(dir, "truncated-response", bytes);
}

void ndrSeeds(const fs::path& dir) {
  // The fuzz target: byte 1 bit 0 big-endian, bit 1 EBCDIC; bytes 2-3 the
  // capacity (buffers(n) get it modulo 512, in,out sizes all of it).
  constexpr uint32_t kCapacity = 16;
  // One reply and one request per distinct argument list.
  std::set<std::vector<uint8_t>> kindsSeen;
  for (uint16_t opnum = 0; opnum < kOpnumCount; ++opnum) {
    std::vector<uint8_t> kinds;
    const ProcDesc& p = kProcedures[opnum];
    for (size_t i = 0; i < p.argc; ++i) kinds.push_back(static_cast<uint8_t>(p.args[i].kind));
    if (!kindsSeen.insert(kinds).second) continue;
    const uint8_t repByte = opnum % 7 == 3 ? 1 : opnum % 11 == 5 ? 2 : 0;
    const DataRep rep{(repByte & 1) != 0, (repByte & 2) != 0};
    writeSeed(dir, name("reply", opnum),
              withPrefix({static_cast<uint8_t>(opnum), repByte, kCapacity, 0},
                         replyStub(opnum, rep, kCapacity, kCapacity)));
    writeSeed(dir, name("request", opnum),
              withPrefix({static_cast<uint8_t>(opnum), repByte, kCapacity, 0},
                         requestStub(opnum, rep, 4)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zeltrpc_fuzz_seeds <corpus folder>\n");
    return 2;
  }
  const fs::path root = argv[1];
  pduSeeds(root / "fuzz_zeltrpc_reply_pdu");
  ndrSeeds(root / "fuzz_zeltrpc_ndr");
  pipeSeeds(root / "fuzz_zeltrpc_pipe_framing");
  return 0;
}
