#pragma once

// An owned browse result: one scope's records, released with the list.

#include <string>

#include "zoltc_logix.h"

namespace cli {

class TagList {
public:
    TagList() = default;
    ~TagList();
    TagList(const TagList&) = delete;
    TagList& operator=(const TagList&) = delete;
    TagList(TagList&& other) noexcept;
    TagList& operator=(TagList&& other) noexcept;

    // Lists the controller scope (empty program name) or one program's scope,
    // replacing what the list held. Empty after a failure.
    zoltc_logix_result browse(zoltc_logix_client* client, const std::string& programName);

    const zoltc_logix_tag_info_list& records() const { return list; }

private:
    zoltc_logix_tag_info_list list{};
};

} // namespace cli
