#include "TagReader.hpp"

#include "Controller.hpp"
#include "Printable.hpp"
#include "TagResolver.hpp"

namespace cli {
namespace {

constexpr std::uint8_t kPathDestinationUnknown = 0x05;
constexpr std::uint8_t kPartialTransfer = 0x06;
constexpr std::uint8_t kGeneralError = 0xFF;
constexpr std::uint16_t kIndexOutOfRange = 0x2105;

bool refusedWith(const TagValue& value, std::uint8_t general) {
    return value.result == ZOLTC_LOGIX_ERR_CIP_STATUS && value.generalStatus == general;
}

bool indexRefused(const TagValue& value) {
    return refusedWith(value, kPathDestinationUnknown) ||
           (refusedWith(value, kGeneralError) && value.extendedStatus == kIndexOutOfRange);
}

TagValue unsupported(std::uint16_t type, std::string typeName) {
    TagValue value;
    value.result = ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE;
    value.type = type;
    value.typeName = std::move(typeName);
    value.problem = ::failureText(value.result);
    return value;
}

} // namespace

bool endsInOneIndex(const std::string& path) {
    const auto open = path.rfind('[');
    return !path.empty() && path.back() == ']' && open != std::string::npos && open > 0 && path[open - 1] != ']' &&
           path.find(',', open) == std::string::npos;
}

const TagReader::Scope& TagReader::scope(zoltc_logix_client* client, const std::string& program) {
    const auto known = scopes.find(program);
    if (known != scopes.end()) {
        return known->second;
    }
    Scope& listed = scopes[program];
    listed.result = listed.list.browse(client, program);
    if (listed.result != ZOLTC_LOGIX_OK && !isConnectionFailure(listed.result)) {
        err << "quillon-cli: cannot list the tags of "
            << (program.empty() ? "the controller" : "program " + printable(program)) << ": "
            << describeResult(listed.result) << "\n";
    }
    if (isConnectionFailure(listed.result)) {
        scopes.erase(program); // listed again after a reconnect
        static const Scope lost{ZOLTC_LOGIX_ERR_CONNECTION_LOST, {}};
        return lost;
    }
    return listed;
}

std::optional<PlannedRead> TagReader::planStructure(zoltc_logix_client* client, const std::string& path,
                                                    TagValue& value) {
    const auto scoped = splitScope(path);
    if (!scoped) {
        return std::nullopt;
    }
    const Scope& found = scope(client, scoped->program);
    if (found.result != ZOLTC_LOGIX_OK) {
        if (isConnectionFailure(found.result)) {
            value.result = found.result;
            value.problem = ::failureText(found.result);
        }
        return std::nullopt;
    }
    const auto tag = resolveTagPath(found.list.records(), scoped->rest);
    if (!tag) {
        return std::nullopt;
    }
    // A STRING is read as text; another structure, or an array, is refused.
    PlannedRead read = planRead(path, tag->type, tag->isString, tag->typeName);
    if (read.method == ReadMethod::Batch) {
        return std::nullopt;
    }
    return read;
}

std::vector<TagValue> TagReader::read(zoltc_logix_client* client, const std::vector<std::string>& paths) {
    std::vector<PlannedRead> direct(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        direct[i].path = paths[i];
    }
    std::vector<TagValue> values = readValues(client, direct);

    std::vector<PlannedRead> again;
    std::vector<std::size_t> owner;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const TagValue& first = values[i];
        const bool word = first.result == ZOLTC_LOGIX_OK && first.replyType == ZOLTC_LOGIX_TYPE_DWORD;
        std::optional<PlannedRead> next;
        if ((word || indexRefused(first)) && endsInOneIndex(paths[i])) {
            next.emplace();
            next->path = paths[i];
            next->boolBit = true;
        } else if (word) {
            // A whole BOOL array: no single value, as for any other array.
            values[i] = unsupported(first.type, "ARRAY");
        } else if ((first.result == ZOLTC_LOGIX_ERR_UNSUPPORTED_TYPE && first.replyType == structureReplyType) ||
                   refusedWith(first, kPartialTransfer)) {
            // A structure, or a value too large for one reply.
            next = planStructure(client, paths[i], values[i]);
        }
        if (next) {
            again.push_back(std::move(*next));
            owner.push_back(i);
        }
    }

    const std::vector<TagValue> second = readValues(client, again);
    for (std::size_t k = 0; k < again.size(); ++k) {
        TagValue& value = values[owner[k]];
        // A refused index stays refused unless the path was a bit after all.
        if (!again[k].boolBit || second[k].result == ZOLTC_LOGIX_OK || value.result == ZOLTC_LOGIX_OK ||
            isConnectionFailure(second[k].result)) {
            value = second[k];
        }
    }
    return values;
}

} // namespace cli
