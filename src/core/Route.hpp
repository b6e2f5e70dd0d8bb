#pragma once

// Route path texts ("1,0": backplane port 1, slot 0) as the program and quillon-cli take
// them: checked with the client library's own parser, so every entry point refuses the
// same texts with the same words.

#include "zoltc_logix.h"

#include <cstdint>
#include <string>

// The parser's sentence for a text that is not a route path ("item 2 is empty"); empty
// for a good one, and for an empty text (no route: the device at the address). Pure.
std::string routeProblem(const std::string& text);

// What the router along the handle's route said when its last request failed there
// ("no module answers at slot 3"), as zoltc_logix_describe_route_failure words it.
std::string routeFailureText(const zoltc_logix_client* client);

// The device type a communication module gives in its identity; a controller behind one
// is reached only along a route path.
inline constexpr std::uint16_t communicationModuleType = 12;
