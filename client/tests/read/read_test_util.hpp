// Helpers shared by the read, batch and tag path tests: byte vectors from hex text
// and hex text from bytes, so a failing comparison prints the bytes, and
// response records over test bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include "zoltc_logix.h"
}

#include "bytes.hpp"

namespace readtest {

using quillon::testing::Bytes;
using quillon::testing::join;

// "91 07 43" -> {0x91, 0x07, 0x43}; blanks anywhere are ignored.
inline Bytes hex(std::string_view text) {
  Bytes out;
  int high = -1;
  for (char c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) {
      continue;
    }
    if (high < 0) {
      high = digit;
    } else {
      out.push_back(static_cast<uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  return out;
}

inline std::string toHex(const uint8_t* data, size_t length) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < length; ++i) {
    if (i != 0) {
      out += ' ';
    }
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0x0F];
  }
  return out;
}

inline std::string toHex(const Bytes& bytes) { return toHex(bytes.data(), bytes.size()); }

// The bytes of a text, without terminator.
inline Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A response record that borrows `data` (never release it with the library).
inline zoltc_logix_cip_response borrowedResponse(uint8_t generalStatus, Bytes& data) {
  zoltc_logix_cip_response response{};
  response.service = 0xCC;
  response.general_status = generalStatus;
  response.data.data = data.empty() ? nullptr : data.data();
  response.data.length = static_cast<uint32_t>(data.size());
  return response;
}

}  // namespace readtest
