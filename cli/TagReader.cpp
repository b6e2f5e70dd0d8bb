#include "TagReader.hpp"

#include <map>

#include "Controller.hpp"
#include "Printable.hpp"
#include "TagDisplay.hpp"
#include "TagList.hpp"
#include "TagResolver.hpp"

namespace cli {
namespace {

// The inspector's string buffer: up to 95 characters and the terminator.
constexpr std::uint32_t kStringBufferSize = 96;

PlannedRead planOne(const std::string& path, const std::optional<ResolvedTag>& tag) {
    PlannedRead read;
    read.path = path;
    if (!tag) {
        return read;
    }
    read.resolved = true;
    read.type = tag->type;
    read.typeName = tag->typeName;
    if (zoltc_logix_type_is_atomic(tag->type)) {
        read.method = ReadMethod::Batch;
    } else if (tag->isString && zoltc_logix_type_dimensions(tag->type) == 0) {
        read.method = ReadMethod::String;
        read.typeName = "STRING";
    } else {
        read.method = ReadMethod::Refused;
    }
    return read;
}

std::string typeNameOfWord(std::uint16_t type) {
    zoltc_logix_tag_info record{};
    record.type = type;
    return std::string(tagTypeName(record));
}

} // namespace

std::vector<PlannedRead> planReads(zoltc_logix_client* client, const std::vector<std::string>& paths,
                                   std::ostream& err) {
    std::map<std::string, TagList> scopes;  // by program name; "" is the controller
    std::map<std::string, bool> listed;
    std::vector<PlannedRead> plan;
    for (const std::string& path : paths) {
        const auto scoped = splitScope(path);
        std::optional<ResolvedTag> tag;
        if (scoped) {
            if (!listed.contains(scoped->program)) {
                const zoltc_logix_result result = scopes[scoped->program].browse(client, scoped->program);
                listed[scoped->program] = result == ZOLTC_LOGIX_OK;
                if (result != ZOLTC_LOGIX_OK) {
                    err << "quillon-cli: cannot list the tags of "
                        << (scoped->program.empty() ? "the controller" : "program " + printable(scoped->program))
                        << ": " << describeResult(result) << "; reading without knowing the types\n";
                }
            }
            if (listed[scoped->program]) {
                tag = resolveTagPath(scopes[scoped->program].records(), scoped->rest);
            }
        }
        plan.push_back(planOne(path, tag));
    }
    return plan;
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
            item.status = ZOLTC_LOGIX_ERR_UNKNOWN;
            items.push_back(item);
            itemOwner.push_back(i);
        } else if (plan[i].method == ReadMethod::Refused) {
            values[i].result = ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE;
        }
    }

    if (!items.empty()) {
        const zoltc_logix_result batch =
            zoltc_logix_read_tags(client, items.data(), static_cast<std::uint32_t>(items.size()));
        for (std::size_t k = 0; k < items.size(); ++k) {
            TagValue& value = values[itemOwner[k]];
            // A call that fails before it reaches the items leaves them untouched.
            value.result = (batch != ZOLTC_LOGIX_OK && items[k].status == ZOLTC_LOGIX_ERR_UNKNOWN) ? batch
                                                                                                 : items[k].status;
            if (value.result != ZOLTC_LOGIX_OK) {
                continue;
            }
            if (!plan[itemOwner[k]].resolved) {
                value.type = items[k].type;
                value.typeName = typeNameOfWord(items[k].type);
            }
            value.value = formatTagValue(items[k].value, zoltc_logix_type_atomic_code(value.type));
        }
    }

    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].method != ReadMethod::String) {
            continue;
        }
        char buffer[kStringBufferSize] = {};
        std::uint32_t length = 0;
        values[i].result = zoltc_logix_read_string(client, plan[i].path.c_str(), buffer, kStringBufferSize, &length);
        if (values[i].result == ZOLTC_LOGIX_OK && length <= kStringBufferSize) {
            values[i].value.assign(buffer, length);
        }
    }
    return values;
}

} // namespace cli
