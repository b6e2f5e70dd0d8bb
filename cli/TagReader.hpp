#pragma once

// Reading tag values for "read" and "watch" with the application's value reader
// (TagValues.hpp): every path is first read directly, as the controller serves it, and
// types are looked up only where a reply asks for it, for a second reading:
// - a structure reply: the path's scope is listed once (the controller scope, or the
//   program written as "Program:<name>.") to tell a STRING (read as text) from another
//   structure (no single value, refused);
// - a 32-bit word (0xD3) reply or an index refusal for `Inputs[37]`: a Logix controller
//   holds such words only as BOOL arrays, whose indexes are bits, so the path is read
//   again as bit 37 (the library's bool_bit);
// - a word reply for a path without an index is a whole BOOL array: no single value.

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "TagList.hpp"
#include "TagValues.hpp"
#include "zoltc_logix.h"

namespace cli {

class TagReader {
public:
    // Scope listings are reported on `err` when they fail, once per scope.
    explicit TagReader(std::ostream& errors) : err(errors) {}

    // One reading of every path, in order. Blocking.
    std::vector<TagValue> read(zoltc_logix_client* client, const std::vector<std::string>& paths);

    // Forgets the scopes listed so far (after a reconnect).
    void forget() { scopes.clear(); }

private:
    struct Scope {
        zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
        TagList list;
    };
    const Scope& scope(zoltc_logix_client* client, const std::string& program);
    // The second reading of a path that answered with a structure, once its listed type
    // tells how; none when the first reading stands (or `value` now says the connection is gone).
    std::optional<PlannedRead> planStructure(zoltc_logix_client* client, const std::string& path, TagValue& value);

    std::ostream& err;
    std::map<std::string, Scope> scopes; // by program name; "" is the controller
};

// True when the path ends in one index, "a[3]" (not "a[1,2]" or "a[1][2]").
bool endsInOneIndex(const std::string& path);

} // namespace cli
