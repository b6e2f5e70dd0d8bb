#include <nlohmann/json.hpp>

#include "TagFormats.hpp"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

const char* kindName(NodeKind kind) {
    switch (kind) {
    case NodeKind::Program:
        return "program";
    case NodeKind::Member:
        return "member";
    case NodeKind::Element:
        return "element";
    case NodeKind::Tag:
        break;
    }
    return "tag";
}

Json rowsToJson(const std::vector<TagNode>& rows);

Json rowToJson(const TagNode& row) {
    Json json;
    json["kind"] = kindName(row.kind);
    json["name"] = row.name;
    json["path"] = row.path;
    json["type"] = row.type;
    json["typeName"] = row.typeName;
    json["dims"] = row.dims;
    if (row.kind == NodeKind::Program) {
        // null: the program's tags were not listed (no --all-programs).
        json["tags"] = row.browsed ? rowsToJson(row.children) : Json();
    } else {
        json["members"] = row.dims.empty() ? rowsToJson(row.children) : Json::array();
        json["elements"] = row.dims.empty() ? Json::array() : rowsToJson(row.children);
    }
    return json;
}

Json rowsToJson(const std::vector<TagNode>& rows) {
    Json list = Json::array();
    for (const TagNode& row : rows) {
        if (row.visible) {
            list.push_back(rowToJson(row));
        }
    }
    return list;
}

} // namespace

void writeTagJson(const std::vector<TagNode>& rows, std::ostream& out) {
    Json document;
    document["tags"] = rowsToJson(rows);
    // Names come from the controller: bytes that are not UTF-8 become U+FFFD rather
    // than failing the whole output.
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

} // namespace cli
