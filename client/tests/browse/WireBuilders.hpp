// Byte builders for symbol pages and template data, so that parser tests state
// their input as entries and members instead of hex dumps.
#pragma once

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.hpp"

namespace browse_test {

// A test name made from a table row's description ("name cut at ;" ->
// "name_cut_at__"), for INSTANTIATE_TEST_SUITE_P.
struct RowName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    std::string name = info.param.what;
    for (char& c : name) {
      if (!std::isalnum(static_cast<unsigned char>(c))) {
        c = '_';
      }
    }
    return name;
  }
};

using quillon::testing::appendText;
using quillon::testing::appendU16;
using quillon::testing::appendU32;
using quillon::testing::Bytes;

// One entry of a Get Instance Attribute List reply (attributes 1, 2 and 8).
struct SymbolEntry {
  std::uint32_t instance;
  std::string name;
  std::uint16_t type;
  std::uint32_t dims[3] = {0, 0, 0};
};

inline Bytes symbolPage(const std::vector<SymbolEntry>& entries) {
  Bytes out;
  for (const SymbolEntry& entry : entries) {
    appendU32(out, entry.instance);
    appendU16(out, static_cast<std::uint16_t>(entry.name.size()));
    appendText(out, entry.name);
    appendU16(out, entry.type);
    for (std::uint32_t dim : entry.dims) {
      appendU32(out, dim);
    }
  }
  return out;
}

// One member of a template: info word (element count of a one-dimensional
// array), type word and name.
struct TemplateMember {
  std::uint16_t info;
  std::uint16_t type;
  std::string name;
};

// Template data as Read Template delivers it: the member table, the template
// name text as given (a ";" suffix included), then the member names.
inline Bytes templateData(const std::vector<TemplateMember>& members,
                          std::string_view nameText) {
  Bytes out;
  std::uint32_t offset = 0;
  for (const TemplateMember& member : members) {
    appendU16(out, member.info);
    appendU16(out, member.type);
    appendU32(out, offset);
    offset += 4;
  }
  appendText(out, nameText);
  out.push_back(0);
  for (const TemplateMember& member : members) {
    appendText(out, member.name);
    out.push_back(0);
  }
  return out;
}

}  // namespace browse_test
