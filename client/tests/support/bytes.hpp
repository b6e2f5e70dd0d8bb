// Byte helpers for client library tests: views of library buffers as vectors,
// and little-endian writers for building wire frames in tables.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "zoltc_logix.h"

namespace quillon::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(const zoltc_logix_buffer& buffer) {
  return buffer.data == nullptr ? Bytes{} : Bytes(buffer.data, buffer.data + buffer.length);
}

inline Bytes bytesOf(const zoltc_logix_path& path) {
  return path.data == nullptr ? Bytes{} : Bytes(path.data, path.data + path.length);
}

inline void appendU16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void appendU32(Bytes& out, uint32_t value) {
  appendU16(out, static_cast<uint16_t>(value & 0xFFFF));
  appendU16(out, static_cast<uint16_t>(value >> 16));
}

// Byte by byte: g++ 12 at -O2 misreads a range insert of a short text as an
// out-of-bounds copy.
inline void appendText(Bytes& out, std::string_view text) {
  for (char c : text) {
    out.push_back(static_cast<uint8_t>(c));
  }
}

// Concatenates byte blocks: join({header, body}).
inline Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) {
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

}  // namespace quillon::testing
