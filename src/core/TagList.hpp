#pragma once

// A browse result with one owner: one scope's records, released with the client
// library's own release operation when the owner goes, so a list handed between
// threads cannot leak. Used by the tree and by quillon-cli alike.

#include "zoltc_logix.h"

#include <cstddef>
#include <span>
#include <string_view>

class TagList {
public:
    TagList() = default;
    ~TagList();
    TagList(TagList&& other) noexcept;
    TagList& operator=(TagList&& other) noexcept;
    TagList(const TagList&) = delete;
    TagList& operator=(const TagList&) = delete;

    // Lists the controller scope (empty program name) or one program's scope, replacing
    // what the list held. Empty after a failure. Blocking: the controller's worker only.
    zoltc_logix_result browse(zoltc_logix_client* client, std::string_view programName);

    std::span<const zoltc_logix_tag_info> records() const {
        return {list.items, static_cast<std::size_t>(list.count)};
    }
    bool empty() const { return list.count == 0; }
    // Releases the records now.
    void reset();

private:
    zoltc_logix_tag_info_list list{};
};

// A browse's outcome, as background work hands it over.
struct TagListResult {
    zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
    TagList list;
};
