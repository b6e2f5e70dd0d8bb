// CIP message-router requests and replies as a controller sees them: the request path
// split into segments, the reply with its general and additional status, and the
// general status values the simulator answers with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes.hpp"

namespace quillon::sim::detail {

namespace status {
inline constexpr uint8_t kSuccess = 0x00;
inline constexpr uint8_t kConnectionFailure = 0x01;   // Unconnected Send could not route
inline constexpr uint8_t kInvalidParameterValue = 0x03;
inline constexpr uint8_t kPathSegmentError = 0x04;    // malformed path, unknown symbol or member
inline constexpr uint8_t kPathDestinationUnknown = 0x05;  // no such object or instance, index out of range
inline constexpr uint8_t kPartialTransfer = 0x06;     // more data follows
inline constexpr uint8_t kServiceNotSupported = 0x08;
inline constexpr uint8_t kAttributeListError = 0x0A;
inline constexpr uint8_t kNotEnoughData = 0x13;
inline constexpr uint8_t kAttributeNotSupported = 0x14;
inline constexpr uint8_t kTooMuchData = 0x15;
inline constexpr uint8_t kRequestTooLarge = 0x1A;     // Multiple Service Packet request above the limit
inline constexpr uint8_t kResponseTooLarge = 0x1B;    // Multiple Service Packet reply above the limit
inline constexpr uint8_t kEmbeddedServiceError = 0x1E;
inline constexpr uint8_t kGeneralError = 0xFF;        // with an extended status word
}  // namespace status

namespace extended {
inline constexpr uint16_t kBeyondEndOfObject = 0x2105;  // index, offset or count past the data
inline constexpr uint16_t kInvalidPort = 0x0311;
inline constexpr uint16_t kInvalidLinkAddress = 0x0312;
inline constexpr uint16_t kInvalidSegment = 0x0315;
}  // namespace extended

// One segment of a request path.
struct Segment {
  enum class Kind : uint8_t { Symbol, Element, Class, Instance, Attribute };
  Kind kind;
  uint32_t value = 0;       // element index, class, instance or attribute id
  std::string_view name;    // symbol name (points into the request bytes)
};
using Path = std::vector<Segment>;

// Splits an encoded request path into segments. nullopt when a segment is malformed,
// truncated or of a kind a controller's message router does not take here.
std::optional<Path> parsePath(ByteSpan path);

// The path as text for logs: "Program:Main.Tanks[2,1].Level", "class 0x6B instance 0".
std::string pathText(const Path& path);

// A decoded message-router request; the spans point into the received bytes.
struct Request {
  uint8_t service = 0;
  ByteSpan pathBytes;
  ByteSpan data;
};
// nullopt when fewer than 2 bytes or the path size runs past the end.
std::optional<Request> parseRequest(ByteSpan bytes);

struct Reply {
  uint8_t generalStatus = status::kSuccess;
  std::vector<uint16_t> additional;
  Bytes data;
};

inline Reply failure(uint8_t general) { return Reply{general, {}, {}}; }
inline Reply failure(uint8_t general, uint16_t ext) { return Reply{general, {ext}, {}}; }

// The message-router reply bytes: service | 0x80, reserved 0, status, additional status.
Bytes encodeReply(uint8_t requestService, const Reply& reply);
size_t encodedReplySize(const Reply& reply);

}  // namespace quillon::sim::detail
