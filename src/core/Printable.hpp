#pragma once

// Texts that come from the controller (names, product name, STRING values) are shown on
// a terminal by quillon-cli and in the inspector's rows; control bytes in them are
// shown as \xNN so that they cannot move the cursor, clear the screen or break the
// one-line-per-row layout. One function for both, so they show the same text.

#include <string>
#include <string_view>

std::string printable(std::string_view text);
