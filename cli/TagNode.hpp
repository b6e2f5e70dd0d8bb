#pragma once

// The rows of the program's tag tree, built from browse records the way the tree
// builds them: a controller tag's path is its name, a program's tag is
// "Program:<program>.<tag>", a member "<parent>.<member>", an array element
// "<array>[i]" or "<array>[i,j]" and carries the element type (the array's type word
// without its dimension bits). Every output format and the filter work on these rows.

#include <cstdint>
#include <stdexcept>
#include <string>
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
    bool browsed = false;            // programs: their tags were listed
    bool visible = true;             // set by applyFilter
    std::vector<TagNode> children;   // a program's tags, a structure's members or an array's elements
};

// Controller data decides how many element rows an array makes; rows beyond this
// many are refused rather than exhausting memory.
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
std::vector<TagNode> makeScopeRows(const zoltc_logix_tag_info_list& list, const std::string& parentPath,
                                   RowBudget& budget);

// A program row named without "Program:"; its tags are added by the caller.
TagNode makeProgramRow(const std::string& programName, RowBudget& budget);

// The row of one record and, recursively, its member and element rows.
TagNode makeTagRow(const std::string& parentPath, const zoltc_logix_tag_info& record, NodeKind kind,
                   RowBudget& budget);

} // namespace cli
