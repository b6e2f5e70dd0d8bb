#include "TagNode.hpp"

#include <limits>

#include "TagDisplay.hpp"

namespace cli {
namespace {

constexpr std::uint16_t kDimensionBits = ZOLTC_LOGIX_TYPE_DIMS_MASK;

std::string joinPath(const std::string& parentPath, const std::string& name) {
    return parentPath.empty() ? name : parentPath + "." + name;
}

void addMembers(TagNode& row, const zoltc_logix_tag_info& record, RowBudget& budget) {
    for (std::uint32_t i = 0; i < record.members.count; ++i) {
        row.children.push_back(makeTagRow(row.path, record.members.items[i], NodeKind::Member, budget));
    }
}

// Element rows of an array: indices over the declared dimensions, first index slowest.
void addElements(TagNode& row, const zoltc_logix_tag_info& record, RowBudget& budget) {
    std::size_t total = 1;
    for (const std::uint32_t size : row.dims) {
        if (size == 0) {
            return;
        }
        if (total > kMaxRows / size) {
            throw TooManyRows();
        }
        total *= size;
    }
    budget.take(total);

    // The element record: the array's record without its dimensions.
    zoltc_logix_tag_info element = record;
    element.type = static_cast<std::uint16_t>(record.type & ~kDimensionBits);
    element.dims[0] = element.dims[1] = element.dims[2] = 0;
    const std::string elementTypeName(tagTypeName(element));

    std::vector<std::uint32_t> index(row.dims.size(), 0);
    row.children.reserve(total);
    for (std::size_t n = 0; n < total; ++n) {
        std::string name = "[";
        for (std::size_t k = 0; k < index.size(); ++k) {
            name += (k == 0 ? "" : ",") + std::to_string(index[k]);
        }
        name += "]";

        TagNode child;
        child.kind = NodeKind::Element;
        child.path = row.path + name;
        child.name = std::move(name);
        child.type = element.type;
        child.typeName = elementTypeName;
        child.isString = row.isString;
        addMembers(child, element, budget);
        row.children.push_back(std::move(child));

        for (std::size_t k = index.size(); k-- > 0;) {
            if (++index[k] < row.dims[k]) {
                break;
            }
            index[k] = 0;
        }
    }
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
    row.path = "Program:" + programName;
    row.type = ZOLTC_LOGIX_TYPE_PROGRAM;
    row.typeName = "PROGRAM";
    return row;
}

TagNode makeTagRow(const std::string& parentPath, const zoltc_logix_tag_info& record, NodeKind kind,
                   RowBudget& budget) {
    budget.take(1);
    TagNode row;
    row.kind = kind;
    row.name = record.name != nullptr ? record.name : "";
    row.path = joinPath(parentPath, row.name);
    row.type = record.type;
    row.typeName = std::string(tagTypeName(record));
    row.isString = zoltc_logix_tag_is_string(&record);
    const std::uint8_t dimensions = zoltc_logix_type_dimensions(record.type);
    row.dims.assign(record.dims, record.dims + dimensions);
    if (dimensions == 0) {
        addMembers(row, record, budget);
    } else {
        addElements(row, record, budget);
    }
    return row;
}

std::vector<TagNode> makeScopeRows(const zoltc_logix_tag_info_list& list, const std::string& parentPath,
                                   RowBudget& budget) {
    std::vector<TagNode> rows;
    rows.reserve(list.count);
    for (std::uint32_t i = 0; i < list.count; ++i) {
        const zoltc_logix_tag_info& record = list.items[i];
        // Only the controller scope lists programs.
        if (parentPath.empty() && zoltc_logix_type_is_program(record.type)) {
            rows.push_back(makeProgramRow(record.name != nullptr ? record.name : "", budget));
        } else {
            rows.push_back(makeTagRow(parentPath, record, NodeKind::Tag, budget));
        }
    }
    return rows;
}

} // namespace cli
