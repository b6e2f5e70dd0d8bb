#include "TagNode.hpp"

#include <algorithm>

#include "TagDisplay.hpp"
#include "TagRows.hpp"

namespace cli {
namespace {

TagNode makeRow(NodeKind kind, std::string_view name, std::string_view path, const zoltc_logix_tag_info& record,
                RowBudget& budget) {
    budget.take(1);
    TagNode row;
    row.kind = kind;
    row.name = name;
    row.path = path;
    row.record = record;
    row.type = record.type;
    row.typeName = std::string(tagTypeName(record));
    row.isString = zoltc_logix_tag_is_string(&record);
    row.dims.assign(record.dims, record.dims + zoltc_logix_type_dimensions(record.type));
    row.omitted = omittedElementCount(record);
    const NodeKind childKind = row.dims.empty() ? NodeKind::Member : NodeKind::Element;
    std::string scratch = row.path;
    anyChildRow(record, scratch, [&](std::string_view childName, std::string_view childPath,
                                     const zoltc_logix_tag_info& child) {
        row.children.push_back(makeRow(childKind, childName, childPath, child, budget));
        return false;
    });
    return row;
}

} // namespace

TooManyRows::TooManyRows()
    : std::runtime_error("the tag list has more than " + std::to_string(kMaxRows) + " rows") {}

void RowBudget::take(std::size_t count) {
    if (count > kMaxRows - used) {
        throw TooManyRows();
    }
    used += count;
}

TagNode makeProgramRow(const std::string& programName, RowBudget& budget) {
    budget.take(1);
    TagNode row;
    row.kind = NodeKind::Program;
    row.name = programName;
    row.path = programPath(programName);
    row.type = ZOLTC_LOGIX_TYPE_PROGRAM;
    row.typeName = "PROGRAM";
    return row;
}

std::vector<TagNode> makeScopeRows(std::span<const zoltc_logix_tag_info> records, const std::string& parentPath,
                                   RowBudget& budget) {
    std::vector<TagNode> rows;
    rows.reserve(records.size());
    for (const zoltc_logix_tag_info& record : records) {
        const std::string name = record.name != nullptr ? record.name : "";
        // Only the controller scope lists programs.
        if (parentPath.empty() && zoltc_logix_type_is_program(record.type)) {
            rows.push_back(makeProgramRow(name, budget));
        } else {
            rows.push_back(makeRow(NodeKind::Tag, name, memberPath(parentPath, name), record, budget));
        }
    }
    return rows;
}

void applyFilter(std::vector<TagNode>& rows, const std::string& text) {
    for (TagNode& row : rows) {
        applyFilter(row.children, text);
        if (row.kind == NodeKind::Program) {
            row.visible = text.empty() || std::any_of(row.children.begin(), row.children.end(),
                                                      [](const TagNode& tag) { return tag.visible; });
        } else {
            row.visible = filterKeeps(row.name, row.path, row.record, text);
        }
    }
}

} // namespace cli
