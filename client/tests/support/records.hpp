// Tag records as text: a list's names, a structure's members ("Motor{Speed#1:C4, History#2:20CA[4]}").
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "zoltc_logix.h"

namespace quillon::testing {

inline std::vector<std::string> names(const zoltc_logix_tag_info_list& list) {
  std::vector<std::string> out;
  for (uint32_t i = 0; i < list.count; ++i) out.emplace_back(list.items[i].name);
  return out;
}

// Members as name#instance:type[dimension], recursively; a structure without one has "(no template)".
inline std::string render(const zoltc_logix_tag_info& record) {
  if (record.type_name == nullptr) return "(no template)";
  std::string text = std::string(record.type_name) + "{";
  for (uint32_t i = 0; i < record.members.count; ++i) {
    const zoltc_logix_tag_info& m = record.members.items[i];
    char type[8];
    std::snprintf(type, sizeof type, "%X", m.type);
    text += (i ? ", " : "") + std::string(m.name) + "#" + std::to_string(m.instance_id) + ":" +
            (zoltc_logix_type_is_struct(m.type) ? render(m) : type);
    if (m.dims[0] != 0) text += "[" + std::to_string(m.dims[0]) + "]";
  }
  return text + "}";
}

}  // namespace quillon::testing
