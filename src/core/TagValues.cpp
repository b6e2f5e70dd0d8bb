#include "TagValues.hpp"

#include "TagDisplay.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

std::string typeNameOfWord(std::uint16_t type) {
    zoltc_logix_tag_info record{};
    record.type = type;
    return std::string(tagTypeName(record));
}

} // namespace

std::string failureText(zoltc_logix_result result, std::uint8_t generalStatus, std::uint16_t extendedStatus) {
    if (result == ZOLTC_LOGIX_ERR_CIP_STATUS && generalStatus != 0) {
        std::string text(zoltc_logix_cip_status_text(generalStatus, extendedStatus, nullptr, 0), '\0');
        zoltc_logix_cip_status_text(generalStatus, extendedStatus, text.data(), text.size() + 1);
        return text;
    }
    return zoltc_logix_result_name(result);
}

std::string callFailureText(const zoltc_logix_client* client, zoltc_logix_result result) {
    const zoltc_logix_refusal* refusal = zoltc_logix_get_refusal(client);
    return refusal != nullptr ? failureText(result, refusal->general_status, refusal->extended_status)
                              : failureText(result);
}

bool isConnectionFailure(zoltc_logix_result result) {
    return result == ZOLTC_LOGIX_ERR_CONNECTION_LOST || result == ZOLTC_LOGIX_ERR_NOT_CONNECTED;
}

PlannedRead planRead(std::string path, std::uint16_t type, bool isString, std::string typeName, bool boolBit) {
    PlannedRead read;
    read.path = std::move(path);
    read.boolBit = boolBit;
    read.resolved = true;
    read.type = type;
    read.typeName = std::move(typeName);
    if (zoltc_logix_type_is_atomic(type)) {
        read.method = ReadMethod::Batch;
    } else if (isString && zoltc_logix_type_dimensions(type) == 0) {
        read.typeName = "STRING";
        read.method = ReadMethod::String;
    } else {
        read.method = ReadMethod::Refused;
    }
    return read;
}

std::vector<TagValue> readValues(zoltc_logix_client* client, const std::vector<PlannedRead>& plan) {
    std::vector<TagValue> values(plan.size());
    std::vector<zoltc_logix_read_item> items;
    std::vector<std::size_t> itemOwner;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        values[i].type = plan[i].type;
        values[i].typeName = plan[i].typeName;
        if (plan[i].method == ReadMethod::Batch) {
            zoltc_logix_read_item item{};
            item.tag_name = plan[i].path.c_str();
            item.bool_bit = plan[i].boolBit;
            item.status = ZOLTC_LOGIX_ERR_UNKNOWN;
            items.push_back(item);
            itemOwner.push_back(i);
        } else if (plan[i].method == ReadMethod::Refused) {
            values[i].result = ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE;
            values[i].problem = failureText(values[i].result);
        }
    }

    if (!items.empty()) {
        const zoltc_logix_result batch =
            zoltc_logix_read_tags(client, items.data(), static_cast<std::uint32_t>(items.size()));
        for (std::size_t k = 0; k < items.size(); ++k) {
            TagValue& value = values[itemOwner[k]];
            const PlannedRead& planned = plan[itemOwner[k]];
            // A call that fails before it reaches the items leaves them untouched.
            value.result = (batch != ZOLTC_LOGIX_OK && items[k].status == ZOLTC_LOGIX_ERR_UNKNOWN) ? batch
                                                                                                 : items[k].status;
            value.generalStatus = items[k].general_status;
            value.extendedStatus = items[k].extended_status;
            value.replyType = items[k].type;
            const bool changed = value.result == ZOLTC_LOGIX_OK && planned.resolved && items[k].type != 0 &&
                                 items[k].type != zoltc_logix_type_atomic_code(planned.type);
            if ((!planned.resolved && items[k].type != 0 && items[k].type != structureReplyType) || changed) {
                value.type = items[k].type;
                value.typeName = typeNameOfWord(items[k].type);
            }
            if (value.result != ZOLTC_LOGIX_OK) {
                value.problem = failureText(value.result, items[k].general_status, items[k].extended_status);
                continue;
            }
            if (changed) {
                value.problem = typeChangedText;
            }
            std::copy(std::begin(items[k].value), std::end(items[k].value), value.raw.begin());
            value.value = formatTagValue(value.raw, zoltc_logix_type_atomic_code(value.type));
        }
    }

    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].method != ReadMethod::String) {
            continue;
        }
        char buffer[stringBufferSize] = {};
        std::uint32_t length = 0;
        values[i].result = zoltc_logix_read_string(client, plan[i].path.c_str(), buffer, stringBufferSize, &length);
        if (values[i].result == ZOLTC_LOGIX_OK && length <= stringBufferSize) {
            values[i].value.assign(buffer, length);
        } else if (values[i].result == ZOLTC_LOGIX_ERR_TYPE_MISMATCH) {
            // The list said STRING; the controller's tag is no longer one.
            values[i].problem = typeChangedText;
        } else if (values[i].result != ZOLTC_LOGIX_OK) {
            const zoltc_logix_refusal* refusal = zoltc_logix_get_refusal(client);
            if (values[i].result == ZOLTC_LOGIX_ERR_CIP_STATUS && refusal != nullptr) {
                values[i].generalStatus = refusal->general_status;
                values[i].extendedStatus = refusal->extended_status;
            }
            values[i].problem = failureText(values[i].result, values[i].generalStatus, values[i].extendedStatus);
        }
    }
    return values;
}
