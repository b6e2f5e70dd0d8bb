#pragma once

// Reading tag values as the program's inspector does, for "read" and "watch".
//
// Before the first read, the scopes that the paths name are listed once (the
// controller scope, and each program named as "Program:<name>.") to learn every
// tag's type; the reading itself is the application's (TagValues.hpp). A path the
// listing does not show is read with the batch read all the same, so that the
// controller decides; its type then comes from the reply.

#include <ostream>
#include <string>
#include <vector>

#include "TagValues.hpp"
#include "zoltc_logix.h"

namespace cli {

// Lists the scopes the paths need and decides how to read each one. A listing that
// fails is reported on `err` (once per scope) and its paths are read unresolved.
std::vector<PlannedRead> planReads(zoltc_logix_client* client, const std::vector<std::string>& paths,
                                   std::ostream& err);

} // namespace cli
