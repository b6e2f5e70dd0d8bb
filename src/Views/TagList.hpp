#pragma once

// A browse result with one owner: released with the client library's own release
// operation when the owner goes, so a list handed between threads cannot leak.

#include "zoltc_logix.h"

#include <cstddef>
#include <span>
#include <utility>

class TagList {
public:
    TagList() = default;
    ~TagList() { zoltc_logix_tag_info_list_free(&list); }
    TagList(TagList&& other) noexcept : list(std::exchange(other.list, zoltc_logix_tag_info_list{})) {}
    TagList& operator=(TagList&& other) noexcept {
        if (this != &other) {
            zoltc_logix_tag_info_list_free(&list);
            list = std::exchange(other.list, zoltc_logix_tag_info_list{});
        }
        return *this;
    }
    TagList(const TagList&) = delete;
    TagList& operator=(const TagList&) = delete;

    // The record a browse fills (it must be empty then).
    zoltc_logix_tag_info_list* out() { return &list; }
    std::span<const zoltc_logix_tag_info> records() const {
        return {list.items, static_cast<std::size_t>(list.count)};
    }
    bool empty() const { return list.count == 0; }
    // Releases the records now.
    void reset() { zoltc_logix_tag_info_list_free(&list); }

private:
    zoltc_logix_tag_info_list list{};
};
