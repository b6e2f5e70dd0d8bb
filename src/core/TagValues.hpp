#pragma once

// Reading tag values as the inspector shows them, for the inspector and for
// quillon-cli's read and watch: atomic values together in one batch read, STRINGs with
// the string read into a 96-byte buffer, and anything else (a structure other than
// STRING, a whole array) refused without asking the controller, since it has no single
// value. A path whose type is not known is read with the batch read all the same, so
// that the controller decides; its type then comes from the reply (also when the reply
// could not be decoded, unless it is a structure's). A reply whose type
// differs from the known one is decoded by the reply's type and says so: the list the
// type came from is out of date.

#include "zoltc_logix.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ReadMethod { Batch, String, Refused };

struct PlannedRead {
    std::string path;
    ReadMethod method = ReadMethod::Batch;
    bool resolved = false;  // the type is known
    std::uint16_t type = 0; // when resolved
    std::string typeName;   // when resolved: the inspector's "Type" text
    bool boolBit = false;   // the path's last index is a bit of a BOOL array
};

// How a tag of a known type is read, and its type text ("STRING" for a STRING scalar).
// `boolBit`: the path names a bit of a BOOL array, read through the word that holds it.
PlannedRead planRead(std::string path, std::uint16_t type, bool isString, std::string typeName,
                     bool boolBit = false);

// The type word of a reply that carries a structure (its handle follows): no atomic value.
inline constexpr std::uint16_t structureReplyType = 0x02A0;

struct TagValue {
    zoltc_logix_result result = ZOLTC_LOGIX_ERR_UNKNOWN;
    std::uint16_t type = 0; // 0 when not known
    std::string typeName;   // empty when not known
    std::string value;      // the value text, when result is OK
    // The batch read's value area (decoded by `type`), so that it can be shown in another format.
    std::array<std::uint8_t, 8> raw{};
    // Why there is no value (result not OK: "tag not found", "connection lost", ...), or
    // typeChangedText when the value was decoded by a type other than the known one.
    std::string problem;
    std::uint8_t generalStatus = 0; // the controller's refusal, when result is ZOLTC_LOGIX_ERR_CIP_STATUS
    std::uint16_t extendedStatus = 0;
    std::uint16_t replyType = 0; // the type word the batch read's reply carried; 0 without one

    bool operator==(const TagValue&) const = default;
};

inline constexpr std::string_view typeChangedText = "type changed, reload the tags";

// The reason shown for a failed read: the controller's CIP status text when it refused
// the item (result ZOLTC_LOGIX_ERR_CIP_STATUS), else the library's name of the result.
std::string failureText(zoltc_logix_result result, std::uint8_t generalStatus = 0, std::uint16_t extendedStatus = 0);

// failureText for a call on `client` other than the batch read (a listing, a STRING
// read): a refusal's statuses come from zoltc_logix_get_refusal.
std::string callFailureText(const zoltc_logix_client* client, zoltc_logix_result result);

// Whether the result means the connection is gone, not just this read.
bool isConnectionFailure(zoltc_logix_result result);

// The STRING read's buffer: up to 95 characters and the terminator.
inline constexpr std::uint32_t stringBufferSize = 96;

// One reading of every planned tag, in plan order. Blocking: the controller's worker only.
std::vector<TagValue> readValues(zoltc_logix_client* client, const std::vector<PlannedRead>& plan);
