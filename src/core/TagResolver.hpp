#pragma once

// Finds the record a tag path text names among browsed records, so that a read knows
// the tag's type before it asks the controller (whether it is an atomic value, a STRING
// or something that cannot be read as one value), and a watched path can be looked up
// on another controller's list. A BOOL array's index counts bits, as its rows do.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "zoltc_logix.h"

// A tag path text split at its scope: "Program:Main.Step.Count" gives the program
// "Main" and the rest "Step.Count"; a controller path has an empty program.
struct ScopedPath {
    std::string program;
    std::string rest;
};

// Null when the text names a program but no tag in it ("Program:Main").
std::optional<ScopedPath> splitScope(std::string_view path);

struct ResolvedTag {
    std::uint16_t type = 0; // an element's type has no dimension bits
    bool isString = false;  // the record is a "STRING" structure
    std::string typeName;   // as the program names it
    bool boolBit = false;   // a bit of a BOOL array
};

// Walks the names and indices of `rest` through the records (names compared byte for
// byte, or ignoring the case of A to Z when only one record matches that way; indices
// checked against the dimensions). Null when a name is missing, an index is out of
// range or of the wrong count, the text is malformed, or it names a program entry.
std::optional<ResolvedTag> resolveTagPath(std::span<const zoltc_logix_tag_info> scope, std::string_view rest);

// Resolves whole paths on a controller: controller paths in `controllerScope`, program
// paths in their program's list, browsed here once per program. Null where the path is
// not found (or its program's list could not be had). Blocking: the controller's worker only.
std::vector<std::optional<ResolvedTag>> resolveOnController(zoltc_logix_client* client,
                                                            std::span<const zoltc_logix_tag_info> controllerScope,
                                                            const std::vector<std::string>& paths);
