#pragma once

// The output formats of "quillon-cli tags" that hold the rows whole (JSON is written
// while listing: TagJson.hpp). Each writes the visible rows only (all of them when no
// filter was applied), in list order.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "TagNode.hpp"

namespace cli {

// One line per row: the path and the type name in aligned columns.
void writeTagList(const std::vector<TagNode>& rows, std::ostream& out);

// An indented tree: two spaces per level, "<label>  <type name>".
void writeTagTree(const std::vector<TagNode>& rows, std::ostream& out);

// A header row, then one row per leaf path: path,typeName,type.
void writeTagCsv(const std::vector<TagNode>& rows, std::ostream& out);

// Calls visit(row, depth) for every visible row, parents before their children.
template <typename Visit>
void visitVisibleRows(const std::vector<TagNode>& rows, Visit&& visit, int depth = 0) {
    for (const TagNode& row : rows) {
        if (row.visible) {
            visit(row, depth);
            visitVisibleRows(row.children, visit, depth + 1);
        }
    }
}

} // namespace cli
