#include "ValueOutput.hpp"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "Controller.hpp"
#include "Printable.hpp"

namespace cli {

std::string typeColumn(const TagValue& value) {
    return value.typeName.empty() ? "?" : value.typeName;
}

std::string failureText(const TagValue& value) {
    if (value.result == ZOLTC_LOGIX_ERR_CIP_STATUS && value.generalStatus != 0) {
        return describeRefusal(zoltc_logix_refusal{value.generalStatus, value.extendedStatus, 0});
    }
    return describeResult(value.result);
}

std::string valueColumn(const TagValue& value) {
    if (value.result != ZOLTC_LOGIX_OK) {
        return "error: " + failureText(value);
    }
    return printable(value.value);
}

void writeValueTable(const std::vector<std::string>& plan, const std::vector<TagValue>& values, std::ostream& out) {
    std::vector<std::string> paths;
    std::size_t pathWidth = 0;
    std::size_t typeWidth = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        paths.push_back(printable(plan[i]));
        pathWidth = std::max(pathWidth, paths.back().size());
        typeWidth = std::max(typeWidth, typeColumn(values[i]).size());
    }
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const std::string type = typeColumn(values[i]);
        out << paths[i] << std::string(pathWidth - paths[i].size() + 2, ' ') << type
            << std::string(typeWidth - type.size() + 2, ' ') << valueColumn(values[i]) << "\n";
    }
}

void writeValueJson(const std::vector<std::string>& plan, const std::vector<TagValue>& values, std::ostream& out) {
    using Json = nlohmann::ordered_json;
    Json tags = Json::array();
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const TagValue& value = values[i];
        Json tag;
        tag["path"] = plan[i];
        tag["type"] = value.type != 0 ? Json(value.type) : Json();
        tag["typeName"] = value.typeName.empty() ? Json() : Json(value.typeName);
        tag["ok"] = value.result == ZOLTC_LOGIX_OK;
        if (value.result == ZOLTC_LOGIX_OK) {
            tag["value"] = value.value;
        } else {
            tag["error"] = failureText(value);
            tag["result"] = value.result;
            if (value.result == ZOLTC_LOGIX_ERR_CIP_STATUS) {
                tag["generalStatus"] = value.generalStatus;
                tag["extendedStatus"] = value.extendedStatus;
            }
        }
        tags.push_back(std::move(tag));
    }
    Json document;
    document["tags"] = std::move(tags);
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

} // namespace cli
