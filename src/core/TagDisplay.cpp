#include "TagDisplay.hpp"

#include "TagRows.hpp"

#include <array>
#include <bit>

#include <fmt/format.h>

namespace {

constexpr std::uint8_t firstNamedCode = ZOLTC_LOGIX_TYPE_BOOL;
constexpr std::uint8_t lastNamedCode = ZOLTC_LOGIX_TYPE_LWORD;

// Display names indexed by atomic code - 0xC1; the codes 0xCC to 0xD0 have none.
constexpr std::array<std::string_view, lastNamedCode - firstNamedCode + 1> atomicNames{
    "BOOL", "SINT",  "INT",  "DINT", "LINT", "USINT", "UINT",  "UDINT",
    "ULINT", "REAL", "LREAL", {},    {},     {},      {},      {},
    "BYTE", "WORD",  "DWORD", "LWORD"};
static_assert(atomicNames[ZOLTC_LOGIX_TYPE_LREAL - firstNamedCode] == "LREAL");
static_assert(atomicNames[ZOLTC_LOGIX_TYPE_BYTE - firstNamedCode] == "BYTE");

std::string_view atomicName(std::uint8_t code) {
    if (code < firstNamedCode || code > lastNamedCode || atomicNames[code - firstNamedCode].empty()) {
        return "UNKNOWN";
    }
    return atomicNames[code - firstNamedCode];
}

// The first sizeof(T) bytes of the value area as a little-endian T.
template <typename T>
T littleEndian(std::span<const std::uint8_t, 8> value) {
    using Bits = std::conditional_t<sizeof(T) == 1, std::uint8_t,
                 std::conditional_t<sizeof(T) == 2, std::uint16_t,
                 std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
    Bits bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        bits = static_cast<Bits>(bits | static_cast<Bits>(static_cast<Bits>(value[i]) << (8 * i)));
    }
    return std::bit_cast<T>(bits);
}

template <typename T>
std::string decimal(std::span<const std::uint8_t, 8> value) {
    return fmt::format("{}", littleEndian<T>(value));
}

}  // namespace

std::string_view tagTypeName(const zoltc_logix_tag_info& info) {
    if (zoltc_logix_type_is_atomic(info.type)) {
        return atomicName(zoltc_logix_type_atomic_code(info.type));
    }
    if (zoltc_logix_type_dimensions(info.type) != 0) {
        return "ARRAY";
    }
    if (zoltc_logix_tag_is_string(&info)) {
        return "STRING";
    }
    // A structure without a usable template name is still a structure.
    if (info.type_name != nullptr && info.type_name[0] != '\0') {
        return info.type_name;
    }
    return "STRUCT";
}

std::string tagFullTypeName(const zoltc_logix_tag_info& info) {
    const unsigned dimensions = zoltc_logix_type_dimensions(info.type);
    if (dimensions == 0) {
        return std::string(tagTypeName(info));
    }
    zoltc_logix_bool_element bit{};
    if (zoltc_logix_bool_array_element(&info, 0, &bit)) {
        // Its record counts 32-bit words; its elements are their bits.
        return fmt::format("BOOL[{}]", elementCount(info));
    }
    std::string text(tagTypeName(elementRecord(info)));
    text += '[';
    for (unsigned d = 0; d < dimensions; ++d) {
        if (d > 0) {
            text += ',';
        }
        text += std::to_string(info.dims[d]);
    }
    text += ']';
    return text;
}

std::string formatTagValue(std::span<const std::uint8_t, 8> value, std::uint8_t atomicCode) {
    switch (atomicCode) {
    case ZOLTC_LOGIX_TYPE_BOOL:
        // Only the byte the decoder writes for true counts as true.
        return value[0] == 1 ? "true" : "false";
    case ZOLTC_LOGIX_TYPE_SINT:
        return decimal<std::int8_t>(value);
    case ZOLTC_LOGIX_TYPE_INT:
        return decimal<std::int16_t>(value);
    case ZOLTC_LOGIX_TYPE_DINT:
        return decimal<std::int32_t>(value);
    case ZOLTC_LOGIX_TYPE_LINT:
        return decimal<std::int64_t>(value);
    case ZOLTC_LOGIX_TYPE_USINT:
    case ZOLTC_LOGIX_TYPE_BYTE:
        return decimal<std::uint8_t>(value);
    case ZOLTC_LOGIX_TYPE_UINT:
    case ZOLTC_LOGIX_TYPE_WORD:
        return decimal<std::uint16_t>(value);
    case ZOLTC_LOGIX_TYPE_UDINT:
    case ZOLTC_LOGIX_TYPE_DWORD:
        return decimal<std::uint32_t>(value);
    case ZOLTC_LOGIX_TYPE_ULINT:
    case ZOLTC_LOGIX_TYPE_LWORD:
        return decimal<std::uint64_t>(value);
    case ZOLTC_LOGIX_TYPE_REAL:
        return decimal<float>(value);
    case ZOLTC_LOGIX_TYPE_LREAL:
        return decimal<double>(value);
    default:
        return {};
    }
}
