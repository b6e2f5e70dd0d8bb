#pragma once

// Strict number parsing for option values: the whole text must be the number.

#include <cstdint>
#include <optional>
#include <string_view>

namespace cli {

// A decimal number of digits only (no sign, no blanks) that is at most `maximum`.
std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum);

// A decimal number such as "2", "0.5" or ".25" (digits and at most one point, no
// sign, no exponent), as a double.
std::optional<double> parseDecimal(std::string_view text);

} // namespace cli
