#pragma once

// How "read" and "watch" show one tag: path, type name and value text as the
// inspector shows them, or the failure in words.

#include <ostream>
#include <string>
#include <vector>

#include "TagValues.hpp"

namespace cli {

// The type column: the type name, or "?" when no reply or listing told it.
std::string typeColumn(const TagValue& value);

// The failure in words: the controller's refusal ("tag not found (CIP 0x04)"), else the
// result's name and code ("timeout (result 4)").
std::string failureText(const TagValue& value);

// The value column: the value text (control bytes escaped), or "error: <failureText>".
std::string valueColumn(const TagValue& value);

// Aligned columns, one line per tag.
void writeValueTable(const std::vector<std::string>& paths, const std::vector<TagValue>& values, std::ostream& out);

// {"tags": [{"path", "type", "typeName", "ok", and "value", or "error", "result" and
// for a refusal "generalStatus" and "extendedStatus"}]}.
void writeValueJson(const std::vector<std::string>& paths, const std::vector<TagValue>& values, std::ostream& out);

} // namespace cli
