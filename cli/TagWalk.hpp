#pragma once

// The rows of the program's tag tree, held whole for the output formats: built from
// browse records with the application's tag model (TagRows.hpp), so that names, paths,
// element order, the element row limit and the filter are the tree's own.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <span>
#include <vector>

#include "zoltc_logix.h"

namespace cli {

enum class NodeKind { Program, Tag, Member, Element };

struct TagNode {
    NodeKind kind = NodeKind::Tag;
    std::string name;  // the row's label: tag, member or program name, or "[i,j]"
    std::string path;  // the tag path text; "Program:<name>" for a program
    std::uint16_t type = 0;
    std::string typeName;            // as the program names the type; "PROGRAM" for programs
    std::vector<std::uint32_t> dims; // one size per declared array dimension
    bool isString = false;           // a "STRING" structure record
    bool visible = true;             // set by applyFilter
    std::uint64_t omitted = 0;       // arrays: elements beyond the element row limit
    zoltc_logix_tag_info record{};   // the row's record (an element's own); none for programs
    std::vector<TagNode> children;   // a program's tags, a structure's members or an array's elements
};

// All rows held at once cost memory: more than this many are refused.
inline constexpr std::size_t kMaxRows = 1'000'000;

class TooManyRows : public std::runtime_error {
public:
    TooManyRows();
};

// Counts the rows made so far against kMaxRows.
class RowBudget {
public:
    // Throws TooManyRows when `count` more rows would pass the limit.
    void take(std::size_t count);

private:
    std::size_t used = 0;
};

// One row per record of a scope list, in list order: program entries become program
// rows without tags; every other record a tag row with all its member and element
// rows. `parentPath` is empty for the controller scope, "Program:<name>" for a program.
// The rows point into the records, which must outlive them.
std::vector<TagNode> makeScopeRows(std::span<const zoltc_logix_tag_info> records, const std::string& parentPath,
                                   RowBudget& budget);

// A program row named without "Program:"; its tags are added by the caller.
TagNode makeProgramRow(const std::string& programName, RowBudget& budget);

// Sets `visible` on every row as the tree's filter does: a program shows when the text
// is empty or one of its tags shows; any other row when the filter keeps it.
void applyFilter(std::vector<TagNode>& rows, const std::string& text);

// Calls visit(row) for every row whose array had elements left out, in list order.
template <typename Visit>
void visitCutRows(const std::vector<TagNode>& rows, Visit&& visit) {
    for (const TagNode& row : rows) {
        if (row.omitted > 0) {
            visit(row);
        }
        visitCutRows(row.children, visit);
    }
}

} // namespace cli
