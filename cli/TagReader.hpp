#pragma once

// Reading tag values for "read" and "watch": every path is read directly, as the
// controller serves it, and types are looked up only where a reply asks for it:
// - a structure reply: the path's scope is listed once (the controller scope, or the
//   program written as "Program:<name>.") to tell a STRING (read as text) from another
//   structure (no single value, refused);
// - a 32-bit word (0xD3) reply or an index refusal for `Inputs[37]`: a Logix controller
//   holds such words only as BOOL arrays, whose indexes are bits, so the path is read
//   again as bit 37 (the library's bool_bit);
// - a word reply for a path without an index is a whole BOOL array: no single value.
// Values are shown as the inspector shows them (TagDisplay.hpp).

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "TagList.hpp"
#include "zoltc_logix.h"

namespace cli {

struct ReadOutcome {
    zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
    std::uint16_t type = 0;        // 0 when not known
    std::string typeName;          // empty when not known
    std::string value;             // when result is OK
    std::uint8_t generalStatus = 0; // the controller's refusal, when result is 7
    std::uint16_t extendedStatus = 0;

    bool operator==(const ReadOutcome&) const = default;
};

// The STRING read's buffer: up to 95 characters and the terminator.
inline constexpr std::uint32_t kStringBufferSize = 96;

class TagReader {
public:
    // Scope listings are reported on `err` when they fail, once per scope.
    explicit TagReader(std::ostream& errors) : err(errors) {}

    // One reading of every path, in order. Blocking.
    std::vector<ReadOutcome> read(zoltc_logix_client* client, const std::vector<std::string>& paths);

    // Forgets the scopes listed so far (after a reconnect).
    void forget() { scopes.clear(); }

private:
    struct Scope {
        zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
        TagList list;
    };
    const Scope& scope(zoltc_logix_client* client, const std::string& program);
    void readStructure(zoltc_logix_client* client, const std::string& path, ReadOutcome& outcome);

    std::ostream& err;
    std::map<std::string, Scope> scopes; // by program name; "" is the controller
};

// True when the path ends in one index, "a[3]" (not "a[1,2]" or "a[1][2]").
bool endsInOneIndex(const std::string& path);

// True when the outcome says the connection is gone.
bool connectionGone(zoltc_logix_result result);

} // namespace cli
