// Little-endian byte reading and writing for the wire formats. The reader never reads
// past its span: a read beyond the end returns 0 and clears ok(), so a decoder checks
// ok() once after a run of reads instead of bounding every field by hand.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace quillon::sim::detail {

using Bytes = std::vector<uint8_t>;
using ByteSpan = std::span<const uint8_t>;

class ByteReader {
 public:
  explicit ByteReader(ByteSpan bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }
  bool atEnd() const { return pos_ == bytes_.size(); }

  uint8_t u8() { return static_cast<uint8_t>(take(1)); }
  uint16_t u16() { return static_cast<uint16_t>(take(2)); }
  uint32_t u32() { return static_cast<uint32_t>(take(4)); }
  uint64_t u64() { return take(8); }

  // The next n bytes as a span, or an empty span (and !ok()) when fewer remain.
  ByteSpan bytes(size_t n) {
    if (!ok_ || n > remaining()) {
      ok_ = false;
      return {};
    }
    ByteSpan out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  ByteSpan rest() { return bytes(remaining()); }
  void skip(size_t n) { bytes(n); }

 private:
  uint64_t take(size_t n) {
    if (!ok_ || n > remaining()) {
      ok_ = false;
      return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < n; ++i) value |= static_cast<uint64_t>(bytes_[pos_ + i]) << (8 * i);
    pos_ += n;
    return value;
  }

  ByteSpan bytes_;
  size_t pos_ = 0;
  bool ok_ = true;
};

inline void putU8(Bytes& out, uint8_t v) { out.push_back(v); }
inline void putU16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void putU32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void putU64(Bytes& out, uint64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void putBytes(Bytes& out, ByteSpan bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
inline void putText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

// Overwrites 2 or 4 bytes at a position already written (lengths known only afterwards).
inline void patchU16(Bytes& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline uint64_t loadLE(const uint8_t* p, size_t n) {
  uint64_t value = 0;
  for (size_t i = 0; i < n; ++i) value |= static_cast<uint64_t>(p[i]) << (8 * i);
  return value;
}
inline void storeLE(uint8_t* p, size_t n, uint64_t value) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace quillon::sim::detail
