#pragma once

// Texts that come from the controller (names, product name, STRING values) are
// written to a terminal; control bytes in them are shown as \xNN so that they cannot
// move the cursor, clear the screen or break the one-line-per-row layout.

#include <string>
#include <string_view>

namespace cli {

std::string printable(std::string_view text);

} // namespace cli
