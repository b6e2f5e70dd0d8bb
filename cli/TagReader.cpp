#include "TagReader.hpp"

#include <algorithm>

#include "Controller.hpp"
#include "Printable.hpp"
#include "TagDisplay.hpp"
#include "TagResolver.hpp"

namespace cli {
namespace {

constexpr std::uint16_t kStructureReply = 0x02A0;
constexpr std::uint8_t kPathDestinationUnknown = 0x05;
constexpr std::uint8_t kPartialTransfer = 0x06;
constexpr std::uint8_t kGeneralError = 0xFF;
constexpr std::uint16_t kIndexOutOfRange = 0x2105;

std::string typeNameOfWord(std::uint16_t type) {
    zoltc_logix_tag_info record{};
    record.type = type;
    return std::string(tagTypeName(record));
}

bool indexRefused(const zoltc_logix_read_item& item) {
    return item.status == ZOLTC_LOGIX_ERR_CIP_STATUS &&
           (item.general_status == kPathDestinationUnknown ||
            (item.general_status == kGeneralError && item.extended_status == kIndexOutOfRange));
}

// Reads the items; an item the call never reached gets the call's result.
void readItems(zoltc_logix_client* client, std::vector<zoltc_logix_read_item>& items) {
    if (items.empty()) {
        return;
    }
    for (auto& item : items) {
        item.status = ZOLTC_LOGIX_ERR_UNKNOWN;
    }
    const zoltc_logix_result batch = zoltc_logix_read_tags(client, items.data(), static_cast<std::uint32_t>(items.size()));
    for (auto& item : items) {
        if (batch != ZOLTC_LOGIX_OK && item.status == ZOLTC_LOGIX_ERR_UNKNOWN) {
            item.status = batch;
        }
    }
}

ReadOutcome outcomeOf(const zoltc_logix_read_item& item) {
    ReadOutcome outcome;
    outcome.result = item.status;
    outcome.generalStatus = item.general_status;
    outcome.extendedStatus = item.extended_status;
    if (item.type != 0 && item.type != kStructureReply) {
        outcome.type = item.type;
        outcome.typeName = typeNameOfWord(item.type);
    }
    if (item.status == ZOLTC_LOGIX_OK) {
        outcome.value = formatTagValue(item.value, zoltc_logix_type_atomic_code(item.type));
    }
    return outcome;
}

} // namespace

bool endsInOneIndex(const std::string& path) {
    const auto open = path.rfind('[');
    return !path.empty() && path.back() == ']' && open != std::string::npos && open > 0 && path[open - 1] != ']' &&
           path.find(',', open) == std::string::npos;
}

bool connectionGone(zoltc_logix_result result) {
    return result == ZOLTC_LOGIX_ERR_CONNECTION_LOST || result == ZOLTC_LOGIX_ERR_NOT_CONNECTED;
}

const TagReader::Scope& TagReader::scope(zoltc_logix_client* client, const std::string& program) {
    const auto known = scopes.find(program);
    if (known != scopes.end()) {
        return known->second;
    }
    Scope& listed = scopes[program];
    listed.result = listed.list.browse(client, program);
    if (listed.result != ZOLTC_LOGIX_OK && !connectionGone(listed.result)) {
        err << "quillon-cli: cannot list the tags of "
            << (program.empty() ? "the controller" : "program " + printable(program)) << ": "
            << describeResult(listed.result) << "\n";
    }
    if (connectionGone(listed.result)) {
        scopes.erase(program); // listed again after a reconnect
        static const Scope lost{ZOLTC_LOGIX_ERR_CONNECTION_LOST, {}};
        return lost;
    }
    return listed;
}

void TagReader::readStructure(zoltc_logix_client* client, const std::string& path, ReadOutcome& outcome) {
    const auto scoped = splitScope(path);
    if (!scoped) {
        return;
    }
    const Scope& found = scope(client, scoped->program);
    if (found.result != ZOLTC_LOGIX_OK) {
        if (connectionGone(found.result)) {
            outcome.result = found.result;
        }
        return;
    }
    const auto tag = resolveTagPath(found.list.records(), scoped->rest);
    if (!tag) {
        return;
    }
    if (!tag->isString || zoltc_logix_type_dimensions(tag->type) != 0) {
        // Another structure, or an array: no single value.
        outcome = ReadOutcome{ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, tag->type, tag->typeName, {}, 0, 0};
        return;
    }
    outcome.type = tag->type;
    outcome.typeName = "STRING";
    char buffer[kStringBufferSize] = {};
    std::uint32_t length = 0;
    outcome.result = zoltc_logix_read_string(client, path.c_str(), buffer, kStringBufferSize, &length);
    if (outcome.result == ZOLTC_LOGIX_OK && length <= kStringBufferSize) {
        outcome.value.assign(buffer, length);
    } else if (outcome.result == ZOLTC_LOGIX_ERR_CIP_STATUS) {
        const zoltc_logix_refusal* refusal = zoltc_logix_get_refusal(client);
        outcome.generalStatus = refusal->general_status;
        outcome.extendedStatus = refusal->extended_status;
    }
}

std::vector<ReadOutcome> TagReader::read(zoltc_logix_client* client, const std::vector<std::string>& paths) {
    std::vector<zoltc_logix_read_item> items(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        items[i].tag_name = paths[i].c_str();
    }
    readItems(client, items);

    std::vector<ReadOutcome> outcomes;
    std::vector<zoltc_logix_read_item> bits;
    std::vector<std::size_t> bitOwner;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const zoltc_logix_read_item& item = items[i];
        outcomes.push_back(outcomeOf(item));
        const bool word = item.status == ZOLTC_LOGIX_OK && item.type == ZOLTC_LOGIX_TYPE_DWORD;
        if ((word || indexRefused(item)) && endsInOneIndex(paths[i])) {
            zoltc_logix_read_item bit{};
            bit.tag_name = paths[i].c_str();
            bit.bool_bit = true;
            bits.push_back(bit);
            bitOwner.push_back(i);
        } else if (word) {
            // A whole BOOL array: no single value, as for any other array.
            outcomes[i] = ReadOutcome{ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE, item.type, "ARRAY", {}, 0, 0};
        } else if ((item.status == ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE && item.type == kStructureReply) ||
                   (item.status == ZOLTC_LOGIX_ERR_CIP_STATUS && item.general_status == kPartialTransfer)) {
            // A structure, or a value too large for one reply.
            readStructure(client, paths[i], outcomes[i]);
        }
    }

    readItems(client, bits);
    for (std::size_t k = 0; k < bits.size(); ++k) {
        ReadOutcome& outcome = outcomes[bitOwner[k]];
        // A refused index stays refused unless the path was a bit after all.
        if (bits[k].status == ZOLTC_LOGIX_OK || outcome.result == ZOLTC_LOGIX_OK || connectionGone(bits[k].status)) {
            outcome = outcomeOf(bits[k]);
        }
    }
    return outcomes;
}

} // namespace cli
