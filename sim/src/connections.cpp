#include "connections.hpp"

#include <algorithm>

#include "limits.hpp"
#include "router.hpp"

namespace quillon::sim::detail {

namespace {

namespace cm {
inline constexpr uint16_t kDuplicate = 0x0100;        // the triad is already open
inline constexpr uint16_t kTransportNotSupported = 0x0103;
inline constexpr uint16_t kNotFound = 0x0107;         // Forward Close of an unknown triad
inline constexpr uint16_t kInvalidSize = 0x0109;      // second word: the largest size taken
inline constexpr uint16_t kOutOfConnections = 0x0113;
}  // namespace cm

constexpr uint8_t kClass3Server = 0x03;    // transport class bits of a class 3 server
constexpr uint16_t kSmallSizeMask = 0x01FF;  // Forward Open: 9 bits of size
constexpr uint32_t kLargeSizeMask = 0xFFFF;  // Large Forward Open: 16 bits of size
constexpr uint8_t kMessageRouterPath[] = {0x20, 0x02, 0x24, 0x01};

// Target-chosen O->T ids: distinct across the server's sessions.
std::atomic<uint32_t> nextConnectionId{0x4E000001u};

struct Triad {
  uint16_t serial = 0;
  uint16_t vendor = 0;
  uint32_t originatorSerial = 0;
};

void putTriad(Bytes& out, const Triad& triad) {
  putU16(out, triad.serial);
  putU16(out, triad.vendor);
  putU32(out, triad.originatorSerial);
}

// A refused open or close: the triad, the route words left, a reserved byte.
Reply refuse(const Triad& triad, std::vector<uint16_t> additional, size_t wordsLeft = 0) {
  Reply reply{status::kConnectionFailure, std::move(additional), {}};
  putTriad(reply.data, triad);
  putU8(reply.data, static_cast<uint8_t>(wordsLeft));
  putU8(reply.data, 0);
  return reply;
}

}  // namespace

ConnectionTable::~ConnectionTable() { *open_ -= static_cast<uint32_t>(connections_.size()); }

// Forward Open: priority/tick, timeout ticks, O->T id, T->O id, the triad, timeout
// multiplier, 3 reserved, O->T RPI and parameters, T->O RPI and parameters (16 bits, or 32
// for the Large one), transport class/trigger, path words and the connection path.
Reply ConnectionTable::forwardOpen(const Request& request, bool large, const Options& options) {
  if (options.refuseForwardOpen || (large && options.refuseLargeForwardOpen))
    return failure(status::kServiceNotSupported);
  ByteReader in(request.data);
  in.skip(2);
  in.u32();  // O->T id: ours to choose
  uint32_t toId = in.u32();
  Triad triad{in.u16(), in.u16(), in.u32()};
  uint8_t multiplier = in.u8();
  in.skip(3);
  uint32_t otRpi = in.u32();
  uint32_t otParameters = large ? in.u32() : in.u16();
  uint32_t toRpi = in.u32();
  uint32_t toParameters = large ? in.u32() : in.u16();
  uint8_t transport = in.u8();
  uint8_t pathWords = in.u8();
  ByteSpan path = in.bytes(size_t{pathWords} * 2);
  if (!in.ok()) return failure(status::kNotEnoughData);
  if (!in.atEnd()) return failure(status::kTooMuchData);

  RouteStep step = followRoute(db_, path);
  if (step.refusal) return refuse(triad, {step.refusal}, step.wordsLeft);
  if (!std::equal(step.rest.begin(), step.rest.end(), std::begin(kMessageRouterPath), std::end(kMessageRouterPath))) {
    // A second hop would lead on from the controller to another module, as for Unconnected Send.
    const bool anotherHop = !step.rest.empty() && (step.rest[0] & 0xE0) == 0;
    return refuse(triad, {anotherHop ? extended::kInvalidLinkAddress : extended::kInvalidSegment},
                  step.rest.size() / 2);
  }
  if ((transport & 0x0F) != kClass3Server) return refuse(triad, {cm::kTransportNotSupported});
  for (const auto& [id, open] : connections_)
    if (open.serial == triad.serial && open.vendor == triad.vendor && open.originatorSerial == triad.originatorSerial)
      return refuse(triad, {cm::kDuplicate});
  const uint32_t mask = large ? kLargeSizeMask : kSmallSizeMask;
  const size_t limit = capBy(options.maxConnectionSize, mask);
  const size_t otSize = otParameters & mask;
  const size_t toSize = toParameters & mask;
  if (otSize > limit || toSize > limit || otSize < 4 || toSize < 4)
    return refuse(triad, {cm::kInvalidSize, static_cast<uint16_t>(limit)});
  if (options.maxCipConnections && *open_ >= options.maxCipConnections)
    return refuse(triad, {cm::kOutOfConnections});

  CipConnection connection;
  connection.otId = nextConnectionId.fetch_add(1);
  connection.toId = toId;
  connection.serial = triad.serial;
  connection.vendor = triad.vendor;
  connection.originatorSerial = triad.originatorSerial;
  connection.otSize = otSize;
  connection.toSize = toSize;
  // The timeout is the RPI (microseconds) times 4 << multiplier (x4 to x512).
  const uint64_t timeoutUs = uint64_t{otRpi} * (4u << std::min<uint8_t>(multiplier, 7));
  connection.timeout = options.connectionTimeoutMs ? std::chrono::milliseconds(options.connectionTimeoutMs)
                                                   : Clock::duration(std::chrono::microseconds(timeoutUs));
  connection.lastUsed = Clock::now();
  connection.target = step.target;
  ++*open_;
  connections_.emplace(connection.otId, connection);

  // O->T id, T->O id, the triad, O->T and T->O actual packet intervals, no application reply.
  Reply reply;
  putU32(reply.data, connection.otId);
  putU32(reply.data, toId);
  putTriad(reply.data, triad);
  putU32(reply.data, otRpi);
  putU32(reply.data, toRpi);
  putU8(reply.data, 0);
  putU8(reply.data, 0);
  return reply;
}

// Forward Close: priority/tick, timeout ticks, the triad, path words, reserved, the path.
Reply ConnectionTable::forwardClose(const Request& request) {
  ByteReader in(request.data);
  in.skip(2);
  Triad triad{in.u16(), in.u16(), in.u32()};
  uint8_t pathWords = in.u8();
  in.skip(1);
  in.bytes(size_t{pathWords} * 2);
  if (!in.ok()) return failure(status::kNotEnoughData);
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    const CipConnection& open = it->second;
    if (open.serial != triad.serial || open.vendor != triad.vendor || open.originatorSerial != triad.originatorSerial)
      continue;
    forget(it->first);
    Reply reply;
    putTriad(reply.data, triad);
    putU8(reply.data, 0);
    putU8(reply.data, 0);
    return reply;
  }
  return refuse(triad, {cm::kNotFound});
}

CipConnection* ConnectionTable::find(uint32_t otId, Clock::time_point now) {
  auto it = connections_.find(otId);
  if (it == connections_.end()) return nullptr;
  if (now - it->second.lastUsed > it->second.timeout) {
    forget(otId);
    return nullptr;
  }
  return &it->second;
}

void ConnectionTable::forget(uint32_t otId) {
  if (connections_.erase(otId)) --*open_;
}

}  // namespace quillon::sim::detail
