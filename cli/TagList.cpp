#include "TagList.hpp"

#include <utility>

namespace cli {

TagList::~TagList() {
    zoltc_logix_tag_info_list_free(&list);
}

TagList::TagList(TagList&& other) noexcept : list(std::exchange(other.list, zoltc_logix_tag_info_list{})) {}

TagList& TagList::operator=(TagList&& other) noexcept {
    if (this != &other) {
        zoltc_logix_tag_info_list_free(&list);
        list = std::exchange(other.list, zoltc_logix_tag_info_list{});
    }
    return *this;
}

zoltc_logix_result TagList::browse(zoltc_logix_client* client, const std::string& programName) {
    // The library overwrites the list without releasing it.
    zoltc_logix_tag_info_list_free(&list);
    return programName.empty() ? zoltc_logix_list_tags(client, &list)
                               : zoltc_logix_list_program_tags(client, &list, programName.c_str());
}

} // namespace cli
