#pragma once

// Reading tag values as the program's inspector does, for "read" and "watch".
//
// Before the first read, the scopes that the paths name are listed once (the
// controller scope, and each program named as "Program:<name>.") to learn every
// tag's type: atomic values are read together with one batch read, STRINGs with the
// string read into a 96-byte buffer, and anything else (a structure other than
// STRING, a whole array) is refused without asking the controller, since it has no
// single value. A path the listing does not show is read with the batch read all the
// same, so that the controller decides; its type then comes from the reply.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "zoltc_logix.h"

namespace cli {

enum class ReadMethod { Batch, String, Refused };

struct PlannedRead {
    std::string path;
    ReadMethod method = ReadMethod::Batch;
    bool resolved = false;  // the listing showed the tag
    std::uint16_t type = 0; // when resolved
    std::string typeName;   // when resolved
};

// Lists the scopes the paths need and decides how to read each one. A listing that
// fails is reported on `err` (once per scope) and its paths are read unresolved.
std::vector<PlannedRead> planReads(zoltc_logix_client* client, const std::vector<std::string>& paths,
                                   std::ostream& err);

struct TagValue {
    zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
    std::uint16_t type = 0;  // 0 when not known
    std::string typeName;    // empty when not known
    std::string value;       // the inspector's value text, when result is OK

    bool operator==(const TagValue&) const = default;
};

// One reading of every planned tag, in plan order.
std::vector<TagValue> readValues(zoltc_logix_client* client, const std::vector<PlannedRead>& plan);

} // namespace cli
