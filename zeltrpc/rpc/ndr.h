// NDR 2.0 building blocks: the data representation label, a writer and a
// bounds-checked reader for the primitive items the sign interface uses
// (32-bit integers, conformant arrays of characters, conformant varying
// strings). Alignment is counted from the first byte of the stub.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zeltrpc::rpc {

// The packed_drep label of a PDU: integer byte order and character set.
// Floating-point format is irrelevant here: the interface has no floats.
struct DataRep {
  bool bigEndian = false;
  bool ebcdic = false;

  static DataRep fromBytes(const uint8_t* drep) {
    return DataRep{(drep[0] & 0xF0) == 0, (drep[0] & 0x0F) == 1};
  }
  void toBytes(uint8_t* drep) const {
    drep[0] = static_cast<uint8_t>((bigEndian ? 0x00 : 0x10) | (ebcdic ? 0x01 : 0x00));
    drep[1] = drep[2] = drep[3] = 0;
  }
};

inline uint32_t load32(const uint8_t* p, bool bigEndian) {
  return bigEndian ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                   : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}
inline uint16_t load16(const uint8_t* p, bool bigEndian) {
  return static_cast<uint16_t>(bigEndian ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0]);
}
inline void store32(uint8_t* p, uint32_t v, bool bigEndian) {
  for (int i = 0; i < 4; ++i) p[bigEndian ? 3 - i : i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void store16(uint8_t* p, uint16_t v, bool bigEndian) {
  p[bigEndian ? 1 : 0] = static_cast<uint8_t>(v);
  p[bigEndian ? 0 : 1] = static_cast<uint8_t>(v >> 8);
}

// Characters received in EBCDIC (code page 037) become Latin-1 / ASCII.
uint8_t ebcdicToAscii(uint8_t c);
// The reverse, for a server that answers in EBCDIC.
uint8_t asciiToEbcdic(uint8_t c);

// Appends NDR items to a byte vector. `base` is the offset in that vector
// where the stub starts, so alignment is stub-relative.
class NdrWriter {
 public:
  NdrWriter(std::vector<uint8_t>& out, size_t base, DataRep rep = {})
      : m_out(out), m_base(base), m_rep(rep) {}

  void align4() {
    while ((m_out.size() - m_base) % 4 != 0) m_out.push_back(0);
  }
  void putU32(uint32_t v) {
    align4();
    size_t at = m_out.size();
    m_out.resize(at + 4);
    store32(&m_out[at], v, m_rep.bigEndian);
  }
  // Conformant array of characters: count, then the bytes.
  void putArray(const uint8_t* data, uint32_t count);
  // Conformant varying string: max count, offset 0, actual count, the
  // characters and the NUL. `text` must not contain a NUL.
  void putString(const char* text, size_t length);

 private:
  std::vector<uint8_t>& m_out;
  size_t m_base;
  DataRep m_rep;
};

// Reads NDR items from a stub; every step checks that the bytes are there.
// After a failed step the reader stays failed and every later step fails.
class NdrReader {
 public:
  NdrReader(std::span<const uint8_t> stub, DataRep rep) : m_stub(stub), m_rep(rep) {}

  bool align4();
  bool getU32(uint32_t& v);
  // Conformant array: count, then `count` bytes (not copied, not converted).
  bool getArray(std::span<const uint8_t>& bytes);
  // Conformant varying string; `text` excludes the terminating NUL. Rejects an
  // offset other than 0, an actual count above the maximum, a missing NUL and
  // an embedded NUL.
  bool getString(std::span<const uint8_t>& text);

  bool ok() const { return m_ok; }
  size_t position() const { return m_pos; }
  size_t remaining() const { return m_stub.size() - m_pos; }
  DataRep rep() const { return m_rep; }

 private:
  bool fail() {
    m_ok = false;
    return false;
  }

  std::span<const uint8_t> m_stub;
  DataRep m_rep;
  size_t m_pos = 0;
  bool m_ok = true;
};

}  // namespace zeltrpc::rpc
