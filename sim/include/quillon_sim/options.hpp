// quillon-sim: knobs that make the simulator behave like awkward real controllers.
//
// Options is a plain value. A Server reads a snapshot of its options for every request,
// so Server::setOptions may be called at any time from any thread and takes effect from
// the next request on. Zero means "off" (or "no limit") for every number below unless
// said otherwise.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace quillon::sim {

// Template data served instead of a template's own (Options::templateOverrides).
struct TemplateOverride {
  uint16_t memberCount = 0;   // rows of the member table at the start of `data`
  // Member table (8 bytes a member: info word, type word, offset), the "NAME;..." text and
  // its NUL, then the member names, each NUL-terminated. Served as given, unchecked.
  std::vector<uint8_t> data;
};

struct Options {
  // ---- timing and connection faults
  uint32_t latencyMs = 0;             // delay before every reply
  uint32_t closeAfterRequests = 0;    // per connection: answer N requests, then close it
  bool stall = false;                 // read requests but never answer them
  uint32_t trickleMs = 0;             // send replies one byte at a time, N ms apart (a slow link)

  // ---- connections (read when a connection is accepted)
  uint32_t maxConnections = 32;       // served at once; one more is closed at once, with a log line
  uint32_t idleTimeoutMs = 120000;    // close a connection that sends nothing for this long

  // ---- reply faults (every reply of the encapsulation layer unless said otherwise)
  bool wrongSenderContext = false;    // sender context + 1
  bool wrongCommand = false;          // command + 1
  bool wrongSessionHandle = false;    // session handle + 1 (not on RegisterSession replies)
  uint32_t encapsulationStatus = 0;   // non-zero: this status and no data (not on RegisterSession)
  uint32_t truncateReplyTo = 0;       // send only the first K bytes of a reply, then close
  bool garbageReply = false;          // send pseudo-random bytes of the reply's length instead

  // ---- session refusal
  uint32_t registerStatus = 0;        // non-zero: RegisterSession answered with this status
  bool registerZeroHandle = false;    // RegisterSession answered with status 0 and handle 0

  // ---- paging and sizes
  // Largest message-router reply (service byte to the end of data) for symbol pages,
  // template reads, Read Tag and Read Tag Fragmented; a real controller's unconnected
  // messages stay around 500 bytes. Values below 64 count as 64; 0 lifts the limit (up to
  // the encapsulation maximum). Multiple Service Packet replies are bound only by mspReplyLimit.
  uint32_t replyLimit = 504;
  uint32_t symbolsPerPage = 0;        // entries per Get Instance Attribute List page
  bool emptyLastPage = false;         // a page that ends on the last symbol says 0x06; an empty 0x00 page follows
  uint32_t templateBytesPerReply = 0; // template bytes per Read Template reply
  uint32_t fragmentBytes = 0;         // data bytes per Read Tag Fragmented reply

  // ---- Multiple Service Packet limits
  uint32_t mspRequestLimit = 0;       // 0x1A when the whole packet request is above N bytes
  uint32_t mspReplyLimit = 0;         // 0x1B when the whole packet reply would be above M bytes

  // ---- live values
  // When set, live values are computed as if this many milliseconds had passed since the
  // controller was built, instead of from the wall clock (for tests).
  std::optional<int64_t> liveClockMs;

  // ---- broken objects (no real controller answers like this; robust clients must cope)
  // Template ids whose Template object serves the given data instead of the real template,
  // whether or not the database has a type of that id: attribute 1 is a CRC-16 of the
  // member table, 2 the member count, 4 the definition size ceil((n + 23) / 4) words for
  // n data bytes, 5 the database type's size (0 without one). Tag data is not affected.
  std::map<uint16_t, TemplateOverride> templateOverrides;
  // Get Instance Attribute List with a start instance at or above this: 0x06 and no entries.
  std::optional<uint32_t> stuckSymbolPagesFrom;
  // Get_Attributes_All on the Identity object: a non-zero value is answered as this
  // general status with no data.
  uint8_t identityStatus = 0;
  // Every message-router reply that is not embedded in a packet carries its request's
  // service | 0x80, plus one: an answer to another service.
  bool wrongReplyService = false;
  // A non-zero value refuses the listing of every program's tags with this general status
  // (a controller that keeps a program from this user answers 0x0F, privilege violation).
  uint8_t programListingStatus = 0;
  // Get_Attributes_All on the Identity object: only the first K bytes of its data.
  std::optional<uint32_t> identityDataBytes;

  // ---- class 3 connections (Forward Open, Large Forward Open, Forward Close, SendUnitData)
  bool refuseLargeForwardOpen = false;  // Large Forward Open answered 0x08 (older firmware)
  bool refuseForwardOpen = false;       // both Forward Opens answered 0x08 (no connections to give)
  uint32_t maxCipConnections = 32;      // open at once across the server; one more gets 0x01/0x0113
  uint32_t maxConnectionSize = 4002;    // largest connection size in bytes; above it 0x01/0x0109
  uint32_t dropConnectionAfter = 0;     // forget a connection after answering N requests on it
  uint32_t connectionTimeoutMs = 0;     // idle timeout of every connection; 0: its RPI x multiplier

  // ---- request record
  // The oldest records are dropped beyond this many; 0 keeps none (the executable, whose
  // log goes through the request observer, so that a long demo does not grow).
  uint32_t requestRecordLimit = 1000000;
};

}  // namespace quillon::sim
