#pragma once

// The rows of the program's tag tree for the output formats that are not JSON, walked
// from browse records as they are written, so that memory does not grow with the rows
// (a controller's records can describe billions of them). Names, paths, element order,
// the element row limit and the filter are the tree's own (TagRows.hpp).

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "zoltc_logix.h"

namespace cli {

enum class NodeKind { Program, Tag, Member, Element };

struct TagRow {
    NodeKind kind = NodeKind::Tag;
    std::string_view name; // the row's label: tag, member or program name, or "[i,j]"
    std::string_view path; // the tag path text; "Program:<name>" for a program
    const zoltc_logix_tag_info* record = nullptr; // the row's record (an element's own); null for programs
    int depth = 0;                                 // 0 for the rows of the scope's list
};

// The listed scopes: the controller's records (empty with onlyProgram), and the records
// of every program whose tags were listed, by program name. Programs not in the map show
// without tags. With onlyProgram, that program's row and its tags alone.
struct TagScopes {
    std::span<const zoltc_logix_tag_info> controller;
    std::map<std::string, std::span<const zoltc_logix_tag_info>, std::less<>> programs;
    std::optional<std::string> onlyProgram;
};

using RowVisitor = std::function<void(const TagRow&)>;
// An array whose elements go beyond the element row limit: its path and element count.
using CutVisitor = std::function<void(std::string_view path, std::uint64_t total)>;

// Calls visit for every row the filter keeps, in list order, parents before their
// children: a program shows when the filter is empty or one of its tags shows; any other
// row when the filter keeps it (TagRows.hpp). Calls cut (when set) for each array shown
// whose elements are cut.
void walkTagRows(const TagScopes& scopes, std::string_view filter, const RowVisitor& visit, const CutVisitor& cut);

// The type text of a row: the program's name for the type, "PROGRAM" for programs.
std::string_view rowTypeName(const TagRow& row);

} // namespace cli
