#include "TagWalk.hpp"

#include <algorithm>

#include "TagDisplay.hpp"
#include "TagRows.hpp"

namespace cli {
namespace {

class Walk {
public:
    Walk(std::string_view filterText, const RowVisitor& visitor, const CutVisitor& cutVisitor)
        : filter(filterText), visit(visitor), cut(cutVisitor) {}

    void scope(std::span<const zoltc_logix_tag_info> records, std::string_view parentPath, int depth) {
        for (const zoltc_logix_tag_info& record : records) {
            const std::string_view name = record.name != nullptr ? record.name : "";
            row(NodeKind::Tag, name, memberPath(parentPath, name), record, depth);
        }
    }

    void program(std::string_view name, const std::optional<std::span<const zoltc_logix_tag_info>>& tags) {
        const std::string path = programPath(name);
        const bool shown = filter.empty() || (tags && std::any_of(tags->begin(), tags->end(), [&](const auto& tag) {
                                                  const std::string_view tagName = tag.name != nullptr ? tag.name : "";
                                                  return filterKeeps(tagName, memberPath(path, tagName), tag, filter);
                                              }));
        if (!shown) {
            return;
        }
        visit(TagRow{NodeKind::Program, name, path, nullptr, 0});
        if (tags) {
            scope(*tags, path, 1);
        }
    }

private:
    void row(NodeKind kind, std::string_view name, std::string path, const zoltc_logix_tag_info& record, int depth) {
        if (!filter.empty() && !filterKeeps(name, path, record, filter)) {
            return;
        }
        visit(TagRow{kind, name, path, &record, depth});
        if (cut && omittedElementCount(record) > 0) {
            cut(path, elementCount(record));
        }
        const NodeKind childKind = zoltc_logix_type_dimensions(record.type) == 0 ? NodeKind::Member : NodeKind::Element;
        anyChildRow(record, path, [&](std::string_view childName, std::string_view childPath,
                                      const zoltc_logix_tag_info& child) {
            // The element's name lives in `path`, which the next row extends: copied first.
            const std::string ownName(childName);
            row(childKind, ownName, std::string(childPath), child, depth + 1);
            return false;
        });
    }

    std::string_view filter;
    const RowVisitor& visit;
    const CutVisitor& cut;
};

} // namespace

void walkTagRows(const TagScopes& scopes, std::string_view filter, const RowVisitor& visit, const CutVisitor& cut) {
    Walk walk(filter, visit, cut);
    const auto listed = [&](std::string_view name) -> std::optional<std::span<const zoltc_logix_tag_info>> {
        const auto found = scopes.programs.find(name);
        return found != scopes.programs.end() ? std::optional(found->second) : std::nullopt;
    };
    if (scopes.onlyProgram) {
        walk.program(*scopes.onlyProgram, listed(*scopes.onlyProgram));
        return;
    }
    for (const zoltc_logix_tag_info& record : scopes.controller) {
        const std::string_view name = record.name != nullptr ? record.name : "";
        // Only the controller scope lists programs.
        if (zoltc_logix_type_is_program(record.type)) {
            walk.program(name, listed(name));
        } else {
            walk.scope({&record, 1}, "", 0);
        }
    }
}

std::string_view rowTypeName(const TagRow& row) {
    return row.record != nullptr ? tagTypeName(*row.record) : std::string_view("PROGRAM");
}

} // namespace cli
