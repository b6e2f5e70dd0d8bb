#pragma once

// The texts the tree and the inspector show for a tag: the name of its data type and
// the value a read left behind.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "zoltc_logix.h"

// The display name of the record's data type: the atomic type's name ("DINT",
// "UNKNOWN" for a code without one), "ARRAY" for any array, "STRING", the template
// name of a structure, or "STRUCT" when the structure has none. The view stays valid
// as long as the record (the texts are static or the record's own type_name).
std::string_view tagTypeName(const zoltc_logix_tag_info& info);
// The data type with an array's element type and dimensions, as a hover text shows it:
// "DINT[10,4]", "MOTOR_UDT[20]", "STRING[5]"; a BOOL array counts its bits ("BOOL[64]").
// Anything else as tagTypeName names it.
std::string tagFullTypeName(const zoltc_logix_tag_info& info);

// How a value is shown; each part applies to its own kind of type only.
enum class IntegerBase : std::uint8_t { Decimal, Hexadecimal, Binary };
enum class BoolText : std::uint8_t { Lower, Digit, Upper }; // true/false, 1/0, TRUE/FALSE
struct ValueFormat {
    IntegerBase base = IntegerBase::Decimal;
    BoolText boolText = BoolText::Lower;
    int floatDigits = -1; // digits after the point for REAL and LREAL; -1: the shortest exact text

    bool operator==(const ValueFormat&) const = default;
};

// The display text of a value that a read left in a read item's 8-byte value area
// (little-endian from the first byte) for the given atomic data type code. By default:
// decimal numbers, "true"/"false" for BOOL, the shortest text that reads back to the
// same number for REAL and LREAL, and the empty text for a code without a display.
// Hexadecimal and binary are written as the controller's own language writes literals,
// 16#DEAD_BEEF and 2#0000_0101, all digits of the type's width in groups of four, a
// signed value as its bits ("16#FFFF" for an INT of -1).
std::string formatTagValue(std::span<const std::uint8_t, 8> value, std::uint8_t atomicCode,
                           const ValueFormat& format = {});

// The number a value holds, for ordering rows by value; none for a code without one.
// Exact for every 64-bit integer (long double keeps 64 bits of mantissa on our targets).
std::optional<long double> tagNumber(std::span<const std::uint8_t, 8> value, std::uint8_t atomicCode);
