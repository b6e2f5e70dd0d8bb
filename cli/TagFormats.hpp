#pragma once

// The output formats of "quillon-cli tags" other than JSON (written while listing:
// TagJson.hpp). Each writes the rows a walk gives (TagWalk.hpp), in its order, and may
// walk them more than once.

#include <functional>
#include <ostream>

#include "TagWalk.hpp"

namespace cli {

// Walks the rows, calling the visitor for each.
using RowSource = std::function<void(const RowVisitor&)>;

// One line per row: the path and the type name in aligned columns.
void writeTagList(const RowSource& rows, std::ostream& out);

// An indented tree: two spaces per level, "<label>  <type name>".
void writeTagTree(const RowSource& rows, std::ostream& out);

// A header row, then one row per leaf path: path,typeName,type.
void writeTagCsv(const RowSource& rows, std::ostream& out);

} // namespace cli
