#include "TagList.hpp"

#include <string>
#include <utility>

TagList::~TagList() {
    reset();
}

TagList::TagList(TagList&& other) noexcept : list(std::exchange(other.list, zoltc_logix_tag_info_list{})) {}

TagList& TagList::operator=(TagList&& other) noexcept {
    if (this != &other) {
        reset();
        list = std::exchange(other.list, zoltc_logix_tag_info_list{});
    }
    return *this;
}

void TagList::reset() {
    zoltc_logix_tag_info_list_free(&list);
}

zoltc_logix_result TagList::browse(zoltc_logix_client* client, std::string_view programName) {
    // The library overwrites the list without releasing it.
    reset();
    if (programName.empty()) {
        return zoltc_logix_list_tags(client, &list);
    }
    const std::string program(programName);
    return zoltc_logix_list_program_tags(client, &list, program.c_str());
}
