#pragma once

// Browse records built by hand for tests that need no controller. Their texts and arrays
// live in the store, so they are never handed to the library's release operations.

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "zoltc_logix.h"

namespace handrecords {

// The type word's dimension count (bits 13 and 14).
constexpr std::uint16_t dims(int count) {
    return static_cast<std::uint16_t>(count << 13);
}
constexpr std::uint16_t kTankStruct = ZOLTC_LOGIX_TYPE_STRUCT | 0x123;
constexpr std::uint16_t kStringStruct = ZOLTC_LOGIX_TYPE_STRUCT | 0xFCE;

// The records of a list, as the tag model takes them.
inline std::span<const zoltc_logix_tag_info> span(const zoltc_logix_tag_info_list& list) {
    return {list.items, list.count};
}

class HandRecords {
public:
    zoltc_logix_tag_info record(const std::string& name, unsigned type, std::array<std::uint32_t, 3> sizes = {},
                                const char* typeName = nullptr, std::vector<zoltc_logix_tag_info> members = {}) {
        zoltc_logix_tag_info info{};
        info.type = static_cast<std::uint16_t>(type);
        info.name = texts.emplace_back(name).data();
        std::copy(sizes.begin(), sizes.end(), info.dims);
        info.type_name = typeName != nullptr ? texts.emplace_back(typeName).data() : nullptr;
        info.members = list(std::move(members));
        return info;
    }

    zoltc_logix_tag_info_list list(std::vector<zoltc_logix_tag_info> items) {
        auto& stored = arrays.emplace_back(std::move(items));
        return zoltc_logix_tag_info_list{static_cast<std::uint32_t>(stored.size()),
                                         stored.empty() ? nullptr : stored.data(), nullptr};
    }

    zoltc_logix_tag_info stringRecord(const std::string& name, std::uint16_t dimsBits = 0,
                                      std::array<std::uint32_t, 3> sizes = {}) {
        return record(name, kStringStruct | dimsBits, sizes, "STRING",
                      {record("LEN", ZOLTC_LOGIX_TYPE_DINT),
                       record("DATA", ZOLTC_LOGIX_TYPE_SINT | dims(1), {82, 0, 0})});
    }

    // Counter DINT, program MainProgram, Grid DINT[2,3], Tanks TANK[2] with members Level
    // REAL and Name STRING, Msg STRING.
    zoltc_logix_tag_info_list sampleScope() {
        return list({
            record("Counter", ZOLTC_LOGIX_TYPE_DINT),
            record("MainProgram", ZOLTC_LOGIX_TYPE_PROGRAM),
            record("Grid", ZOLTC_LOGIX_TYPE_DINT | dims(2), {2, 3, 0}),
            record("Tanks", kTankStruct | dims(1), {2, 0, 0}, "TANK",
                   {record("Level", ZOLTC_LOGIX_TYPE_REAL), stringRecord("Name")}),
            stringRecord("Msg"),
        });
    }

private:
    std::deque<std::string> texts;
    std::deque<std::vector<zoltc_logix_tag_info>> arrays;
};

} // namespace handrecords
