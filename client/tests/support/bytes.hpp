// Byte helpers for the client library's tests: views of library buffers, writers and hex text.
#pragma once

#include <cctype>
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
using quillon::sim::test::LabelName;

inline Bytes bytesOf(const uint8_t* data, size_t length) { return data == nullptr ? Bytes{} : Bytes(data, data + length); }
inline Bytes bytesOf(const zoltc_logix_buffer& buffer) { return bytesOf(buffer.data, buffer.length); }
inline Bytes bytesOf(const zoltc_logix_path& path) { return bytesOf(path.data, path.length); }

inline void appendU16(Bytes& out, uint16_t value) { out.insert(out.end(), {uint8_t(value), uint8_t(value >> 8)}); }
inline void appendU32(Bytes& out, uint32_t value) {
  appendU16(out, uint16_t(value));
  appendU16(out, uint16_t(value >> 16));
}
// Byte by byte: g++ 12 at -O2 misreads a range insert of a short text as an out-of-bounds copy.
inline Bytes text(std::string_view s) {
  Bytes out;
  for (char c : s) out.push_back(static_cast<uint8_t>(c));
  return out;
}
inline Bytes join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}
// "91 07 43" -> {0x91, 0x07, 0x43}; blanks are ignored.
inline Bytes hex(std::string_view digits) {
  Bytes out;
  std::string pair;
  for (char c : digits) {
    if (std::isxdigit(static_cast<unsigned char>(c))) pair += c;
    if (pair.size() == 2) {
      out.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
      pair.clear();
    }
  }
  return out;
}

}  // namespace quillon::testing
