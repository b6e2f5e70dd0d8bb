#include "TagDisplay.hpp"

#include "TagRows.hpp"

#include <array>
#include <bit>
#include <limits>
#include <type_traits>

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

// The type's bits as 16#.... or 2#...., every digit of its width, "_" between groups of four.
std::string baseDigits(std::uint64_t bits, std::size_t bytes, IntegerBase base) {
    const unsigned digitBits = base == IntegerBase::Hexadecimal ? 4 : 1;
    const std::size_t digits = bytes * 8 / digitBits;
    std::string text = base == IntegerBase::Hexadecimal ? "16#" : "2#";
    for (std::size_t i = digits; i-- > 0;) {
        text += "0123456789ABCDEF"[(bits >> (i * digitBits)) & ((1u << digitBits) - 1)];
        if (i != 0 && i % 4 == 0) {
            text += '_';
        }
    }
    return text;
}

// Calls f(T{}) with the C++ type of the atomic code's values (not BOOL); nothing for a
// code without one.
template <typename F>
void withValueType(std::uint8_t atomicCode, F&& f) {
    switch (atomicCode) {
    case ZOLTC_LOGIX_TYPE_SINT:
        return f(std::int8_t{});
    case ZOLTC_LOGIX_TYPE_INT:
        return f(std::int16_t{});
    case ZOLTC_LOGIX_TYPE_DINT:
        return f(std::int32_t{});
    case ZOLTC_LOGIX_TYPE_LINT:
        return f(std::int64_t{});
    case ZOLTC_LOGIX_TYPE_USINT:
    case ZOLTC_LOGIX_TYPE_BYTE:
        return f(std::uint8_t{});
    case ZOLTC_LOGIX_TYPE_UINT:
    case ZOLTC_LOGIX_TYPE_WORD:
        return f(std::uint16_t{});
    case ZOLTC_LOGIX_TYPE_UDINT:
    case ZOLTC_LOGIX_TYPE_DWORD:
        return f(std::uint32_t{});
    case ZOLTC_LOGIX_TYPE_ULINT:
    case ZOLTC_LOGIX_TYPE_LWORD:
        return f(std::uint64_t{});
    case ZOLTC_LOGIX_TYPE_REAL:
        return f(float{});
    case ZOLTC_LOGIX_TYPE_LREAL:
        return f(double{});
    default:
        return;
    }
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

std::string formatTagValue(std::span<const std::uint8_t, 8> value, std::uint8_t atomicCode,
                           const ValueFormat& format) {
    static constexpr std::array<std::array<std::string_view, 2>, 3> boolTexts{
        {{"false", "true"}, {"0", "1"}, {"FALSE", "TRUE"}}};
    static_assert(boolTexts.size() == static_cast<std::size_t>(BoolText::Upper) + 1);
    if (atomicCode == ZOLTC_LOGIX_TYPE_BOOL) {
        // Only the byte the decoder writes for true counts as true.
        return std::string(boolTexts[static_cast<std::size_t>(format.boolText)][value[0] == 1 ? 1 : 0]);
    }
    std::string text;
    withValueType(atomicCode, [&]<typename T>(T) {
        if constexpr (std::is_floating_point_v<T>) {
            text = format.floatDigits < 0 ? decimal<T>(value)
                                          : fmt::format("{:.{}f}", littleEndian<T>(value), format.floatDigits);
        } else if (format.base == IntegerBase::Decimal) {
            text = decimal<T>(value);
        } else {
            text = baseDigits(littleEndian<std::make_unsigned_t<T>>(value), sizeof(T), format.base);
        }
    });
    return text;
}

std::optional<long double> tagNumber(std::span<const std::uint8_t, 8> value, std::uint8_t atomicCode) {
    static_assert(std::numeric_limits<long double>::digits >= 64, "64-bit integers must order exactly");
    if (atomicCode == ZOLTC_LOGIX_TYPE_BOOL) {
        return value[0] == 1 ? 1.0L : 0.0L;
    }
    std::optional<long double> number;
    withValueType(atomicCode, [&]<typename T>(T) { number = static_cast<long double>(littleEndian<T>(value)); });
    return number;
}
