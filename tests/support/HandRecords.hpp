#pragma once

// Browse records built by hand for tests that need no controller. Their texts and
// arrays live in the store, not in the library's allocation table, so they are never
// handed to the library's release operations.

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "zoltc_logix.h"

namespace handrecords {

constexpr std::uint16_t kDint = 0x00C4;
constexpr std::uint16_t kReal = 0x00CA;
constexpr std::uint16_t kOneDim = 0x2000;
constexpr std::uint16_t kTwoDims = 0x4000;
constexpr std::uint16_t kTankStruct = 0x8123;
constexpr std::uint16_t kStringStruct = 0x8FCE;

// The records of a list, as the tag model takes them.
inline std::span<const zoltc_logix_tag_info> span(const zoltc_logix_tag_info_list& list) {
    return {list.items, list.count};
}

class HandRecords {
public:
    zoltc_logix_tag_info record(const std::string& name, std::uint16_t type, std::array<std::uint32_t, 3> dims = {},
                                const char* typeName = nullptr, std::vector<zoltc_logix_tag_info> members = {}) {
        zoltc_logix_tag_info info{};
        info.type = type;
        info.name = texts.emplace_back(name).data();
        info.dims[0] = dims[0];
        info.dims[1] = dims[1];
        info.dims[2] = dims[2];
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
                                      std::array<std::uint32_t, 3> dims = {}) {
        return record(name, static_cast<std::uint16_t>(kStringStruct | dimsBits), dims, "STRING",
                      {record("LEN", kDint), record("DATA", 0x20C2, {82, 0, 0})});
    }

    // The controller scope used by several tests:
    //   Counter DINT, program MainProgram, Grid DINT[2,3], Tanks TANK[2] with
    //   members Level REAL and Name STRING, Msg STRING.
    zoltc_logix_tag_info_list sampleScope() {
        return list({
            record("Counter", kDint),
            record("MainProgram", ZOLTC_LOGIX_TYPE_PROGRAM),
            record("Grid", kDint | kTwoDims, {2, 3, 0}),
            record("Tanks", kTankStruct | kOneDim, {2, 0, 0}, "TANK",
                   {record("Level", kReal), stringRecord("Name")}),
            stringRecord("Msg"),
        });
    }

private:
    std::deque<std::string> texts;
    std::deque<std::vector<zoltc_logix_tag_info>> arrays;
};

} // namespace handrecords
