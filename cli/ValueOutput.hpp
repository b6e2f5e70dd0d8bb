#pragma once

// How "read" and "watch" show one tag: path, type name and value text as the
// inspector shows them, or the failure by its name and code.

#include <ostream>
#include <string>
#include <vector>

#include "TagReader.hpp"

namespace cli {

// The type column: the type name, or "?" when neither the listing nor a reply told it.
std::string typeColumn(const TagValue& value);

// The value column: the value text (control bytes escaped), or
// "error: <name> (result <code>)".
std::string valueColumn(const TagValue& value);

// Aligned columns, one line per tag.
void writeValueTable(const std::vector<PlannedRead>& plan, const std::vector<TagValue>& values, std::ostream& out);

// {"tags": [{"path", "type", "typeName", "ok", and "value" or "error" and "result"}]}.
void writeValueJson(const std::vector<PlannedRead>& plan, const std::vector<TagValue>& values, std::ostream& out);

} // namespace cli
