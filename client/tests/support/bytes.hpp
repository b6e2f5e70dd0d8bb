// Byte helpers for the client library's tests: views of library buffers, little-endian writers
// and hex text for building frames in tables. Tables are named by the shared fixture's LabelName.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "fixture.hpp"
#include "zoltc_logix.h"

namespace quillon::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(const uint8_t* data, size_t length) { return data == nullptr ? Bytes{} : Bytes(data, data + length); }
inline Bytes bytesOf(const zoltc_logix_buffer& buffer) { return bytesOf(buffer.data, buffer.length); }
inline Bytes bytesOf(const zoltc_logix_path& path) { return bytesOf(path.data, path.length); }

inline void appendU16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
inline void appendU32(Bytes& out, uint32_t value) {
  appendU16(out, static_cast<uint16_t>(value & 0xFFFF));
  appendU16(out, static_cast<uint16_t>(value >> 16));
}
// Byte by byte: g++ 12 at -O2 misreads a range insert of a short text as an out-of-bounds copy.
inline void appendText(Bytes& out, std::string_view text) {
  for (char c : text) out.push_back(static_cast<uint8_t>(c));
}
inline Bytes text(std::string_view s) {
  Bytes out;
  appendText(out, s);
  return out;
}

// Concatenates byte blocks: join({header, body}).
inline Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// "91 07 43" -> {0x91, 0x07, 0x43}; blanks are ignored.
inline Bytes hex(std::string_view digits) {
  Bytes out;
  int high = -1;
  for (char c : digits) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) continue;
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  return out;
}

using quillon::sim::test::LabelName;

}  // namespace quillon::testing
