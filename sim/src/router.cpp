#include "router.hpp"

#include <span>

#include "connections.hpp"
#include "identity_object.hpp"
#include "limits.hpp"
#include "symbol_object.hpp"
#include "tag_access.hpp"
#include "tag_read.hpp"
#include "template_object.hpp"

namespace quillon::sim::detail {

namespace {

constexpr uint8_t kGetAttributeList = 0x03;
constexpr uint8_t kMultipleServicePacket = 0x0A;
constexpr uint8_t kReadTag = 0x4C;
constexpr uint8_t kReadTagFragmented = 0x52;
constexpr uint8_t kUnconnectedSend = 0x52;
constexpr uint8_t kGetInstanceAttributeList = 0x55;
constexpr uint8_t kForwardClose = 0x4E;
constexpr uint8_t kForwardOpen = 0x54;
constexpr uint8_t kLargeForwardOpen = 0x5B;

constexpr uint32_t kClassIdentity = 0x01;
constexpr uint32_t kClassMessageRouter = 0x02;
constexpr uint32_t kClassConnectionManager = 0x06;
constexpr uint32_t kClassSymbol = 0x6B;
constexpr uint32_t kClassTemplate = 0x6C;

bool isKind(const Path& path, size_t at, Segment::Kind kind) {
  return at < path.size() && path[at].kind == kind;
}

// The instance segment right after the class segment, if there is one.
std::optional<uint32_t> instanceOf(const Path& path, size_t classAt) {
  if (!isKind(path, classAt + 1, Segment::Kind::Instance)) return std::nullopt;
  return path[classAt + 1].value;
}

bool isUnconnectedSend(uint8_t service, const Path& path) {
  return service == kUnconnectedSend && path.size() == 2 && isKind(path, 0, Segment::Kind::Class) &&
         path[0].value == kClassConnectionManager && isKind(path, 1, Segment::Kind::Instance);
}

Reply readWith(const Database& db, uint8_t service, const Target& target, ByteSpan data,
               const Options& options) {
  return service == kReadTag ? readTag(db, target, data, options)
                             : readTagFragmented(db, target, data, options);
}

Reply fromResolution(const Database& db, uint8_t service, const Resolution& resolution, ByteSpan data,
                     const Options& options) {
  if (const Reply* refused = std::get_if<Reply>(&resolution)) return *refused;
  return readWith(db, service, std::get<Target>(resolution), data, options);
}

}  // namespace

Bytes Router::handleAt(ByteSpan bytes, Nesting nesting, bool embedded) {
  std::optional<Request> request = parseRequest(bytes);
  uint8_t service = bytes.empty() ? 0 : bytes[0];
  size_t recordAt = records_ ? records_->size() : 0;
  if (records_) {
    CipRecord record;
    record.service = service;
    record.embedded = embedded;
    if (request) record.data.assign(request->data.begin(), request->data.end());
    records_->push_back(std::move(record));
  }
  auto finish = [&](Bytes out) {
    if (records_) (*records_)[recordAt].generalStatus = out.size() > 2 ? out[2] : 0;
    if (options_.wrongReplyService && !embedded && !out.empty()) ++out[0];
    return out;
  };
  if (!request) return finish(encodeReply(service, failure(status::kPathSegmentError)));
  std::optional<Path> path = parsePath(request->pathBytes);
  if (!path) return finish(encodeReply(service, failure(status::kPathSegmentError)));
  if (records_) (*records_)[recordAt].path = pathText(*path);
  if (service & 0x80) return finish(encodeReply(service, failure(status::kServiceNotSupported)));
  if (isUnconnectedSend(service, *path)) {
    if (nesting.insideSend || nesting.insidePacket)
      return finish(encodeReply(service, failure(status::kServiceNotSupported)));
    return finish(unconnectedSend(*request, nesting));
  }
  return finish(encodeReply(service, dispatch(*request, *path, nesting)));
}

// Unconnected Send to the Connection Manager: priority/tick, timeout ticks, the embedded
// request with its size (padded to even), then the route path. The one hop served is port 1
// (the backplane) to a slot: the controller there, or the device at the address itself.
// A refusal names the route words the refusing router still had (remaining path size).
Bytes Router::unconnectedSend(const Request& request, Nesting nesting) {
  ByteReader in(request.data);
  in.skip(2);
  uint16_t size = in.u16();
  ByteSpan embedded = in.bytes(size);
  if (size % 2 == 1) in.skip(1);
  uint8_t routeWords = in.u8();
  in.skip(1);
  ByteSpan route = in.bytes(size_t{routeWords} * 2);
  if (!in.ok() || size < 2) return encodeReply(request.service, failure(status::kNotEnoughData));
  if (!in.atEnd()) return encodeReply(request.service, failure(status::kTooMuchData));

  auto refuse = [&](uint16_t ext, size_t words) {
    Reply reply = failure(status::kConnectionFailure, ext);
    putU8(reply.data, static_cast<uint8_t>(words));
    return encodeReply(request.service, reply);
  };
  RouteStep step = followRoute(db_, route);
  if (step.refusal) return refuse(step.refusal, step.wordsLeft);
  if (!route.empty() && step.rest.size() == route.size()) return refuse(extended::kInvalidSegment, routeWords);
  // Anything after the first hop would lead on from the controller to another module.
  if (!step.rest.empty()) return refuse(extended::kInvalidLinkAddress, step.rest.size() / 2);
  const Database* target = step.target;
  nesting.insideSend = true;
  if (target == &db_) return handleAt(embedded, nesting, true);
  Router there(*target, options_, records_);
  return there.handleAt(embedded, nesting, true);
}

RouteStep followRoute(const Database& db, ByteSpan route) {
  RouteStep step{&db, 0, 0, route};
  if (route.empty() || (route[0] & 0xE0) != 0) return step;
  const size_t routeWords = route.size() / 2;
  auto refuse = [&](uint16_t ext) { return RouteStep{nullptr, ext, routeWords, {}}; };
  ByteReader hop(route);
  uint8_t segment = hop.u8();
  uint16_t port = segment & 0x0F;
  bool extendedLink = (segment & 0x10) != 0;
  uint8_t linkSize = extendedLink ? hop.u8() : 1;
  if (port == 0x0F) port = hop.u16();
  ByteSpan link = hop.bytes(linkSize);
  if (hop.position() % 2 == 1) hop.skip(1);
  if (!hop.ok() || linkSize == 0) return refuse(extended::kInvalidSegment);
  if (port != 1) return refuse(extended::kInvalidPort);
  if (extendedLink) return refuse(extended::kInvalidLinkAddress);
  if (link[0] != db.slot) {
    auto found = db.slots.find(link[0]);
    if (found == db.slots.end()) return refuse(extended::kInvalidLinkAddress);
    step.target = found->second.get();
  }
  step.rest = hop.rest();
  return step;
}

Reply Router::dispatch(const Request& request, const Path& path, Nesting nesting) {
  if (path.empty()) return failure(status::kPathSegmentError);
  if (path[0].kind == Segment::Kind::Class) return logicalObject(request, path, nesting);
  // A communication module's router knows no tag names.
  if (db_.isModule) return failure(status::kPathSegmentError);
  if (path[0].kind != Segment::Kind::Symbol) return failure(status::kPathSegmentError);
  if (path.size() > 1 && path[1].kind == Segment::Kind::Class) {
    const Scope* program = db_.findProgram(path[0].name);
    if (!program) return failure(status::kPathSegmentError);
    if (path[1].value != kClassSymbol) return failure(status::kPathDestinationUnknown);
    if (options_.programListingStatus) return failure(options_.programListingStatus);
    return symbolObject(request, *program, path, 1);
  }
  return tagService(request, path);
}

Reply Router::logicalObject(const Request& request, const Path& path, Nesting nesting) {
  std::optional<uint32_t> instance = instanceOf(path, 0);
  switch (path[0].value) {
    case kClassIdentity:
      if (instance != 1u || path.size() > 3 || (path.size() == 3 && !isKind(path, 2, Segment::Kind::Attribute)))
        return failure(status::kPathDestinationUnknown);
      return identityService(db_.identity, request.service, path, options_);
    case kClassMessageRouter:
      if (instance != 1u || path.size() != 2) return failure(status::kPathDestinationUnknown);
      if (request.service != kMultipleServicePacket || nesting.insidePacket)
        return failure(status::kServiceNotSupported);
      return multipleServicePacket(request, nesting);
    case kClassConnectionManager:
      if (instance != 1u || path.size() != 2) return failure(status::kPathDestinationUnknown);
      // Connections are opened and closed by requests of their own, never embedded.
      if (!connections_ || nesting.insideSend || nesting.insidePacket) return failure(status::kServiceNotSupported);
      if (request.service == kForwardOpen || request.service == kLargeForwardOpen)
        return connections_->forwardOpen(request, request.service == kLargeForwardOpen, options_);
      if (request.service == kForwardClose) return connections_->forwardClose(request);
      return failure(status::kServiceNotSupported);
    case kClassSymbol:
      if (db_.isModule) return failure(status::kPathDestinationUnknown);
      return symbolObject(request, db_.controller, path, 0);
    case kClassTemplate:
      if (db_.isModule) return failure(status::kPathDestinationUnknown);
      return templateObject(request, path);
    default: return failure(status::kPathDestinationUnknown);
  }
}

Reply Router::symbolObject(const Request& request, const Scope& scope, const Path& path, size_t classAt) {
  std::optional<uint32_t> instance = instanceOf(path, classAt);
  size_t restAt = classAt + (instance ? 2 : 1);
  if (request.service == kGetInstanceAttributeList) {
    if (restAt != path.size()) return failure(status::kPathSegmentError);
    return listSymbols(scope, instance.value_or(0), request.data, options_);
  }
  if (request.service != kReadTag && request.service != kReadTagFragmented)
    return failure(status::kServiceNotSupported);
  // Reading a tag by its symbol instance, optionally followed by members and elements.
  const Tag* tag = instance ? scope.findInstance(*instance) : nullptr;
  if (!tag) return failure(status::kPathDestinationUnknown);
  auto rest = std::span<const Segment>(path).subspan(restAt);
  return fromResolution(db_, request.service, resolveWithin(*tag, rest), request.data, options_);
}

Reply Router::templateObject(const Request& request, const Path& path) {
  std::optional<uint32_t> instance = instanceOf(path, 0);
  if (!instance || path.size() != 2 || *instance > 0xFFFF) return failure(status::kPathDestinationUnknown);
  auto id = static_cast<uint16_t>(*instance);
  std::optional<TemplateView> view = templateFor(id, db_.findType(id), options_);
  if (!view) return failure(status::kPathDestinationUnknown);
  if (request.service == kGetAttributeList) return templateAttributes(*view, request.data);
  if (request.service == kReadTag) return readTemplate(*view, request.data, options_);
  return failure(status::kServiceNotSupported);
}

Reply Router::tagService(const Request& request, const Path& path) {
  if (request.service != kReadTag && request.service != kReadTagFragmented)
    return failure(status::kServiceNotSupported);
  return fromResolution(db_, request.service, resolveSymbolic(db_, path), request.data, options_);
}

// Multiple Service Packet: u16 count, count u16 offsets from the start of the data, the
// embedded requests. Each runs on its own; the reply has the same layout with the replies.
Reply Router::multipleServicePacket(const Request& request, Nesting nesting) {
  size_t requestSize = 2 + request.pathBytes.size() + request.data.size();
  if (options_.mspRequestLimit && requestSize > options_.mspRequestLimit)
    return failure(status::kRequestTooLarge);
  ByteReader in(request.data);
  uint16_t count = in.u16();
  if (!in.ok() || count == 0 || in.remaining() < size_t{count} * 2) return failure(status::kNotEnoughData);
  std::vector<uint16_t> offsets(count);
  for (uint16_t& offset : offsets) offset = in.u16();
  size_t tableEnd = 2 + size_t{count} * 2;
  for (size_t i = 0; i < count; ++i) {
    size_t end = i + 1 < count ? offsets[i + 1] : request.data.size();
    if (offsets[i] < tableEnd || end > request.data.size() || end < size_t{offsets[i]} + 2)
      return failure(status::kInvalidParameterValue);
  }

  nesting.insidePacket = true;
  std::vector<Bytes> replies;
  replies.reserve(count);
  size_t total = tableEnd;
  bool anyFailed = false;
  for (size_t i = 0; i < count; ++i) {
    size_t end = i + 1 < count ? offsets[i + 1] : request.data.size();
    replies.push_back(handleAt(request.data.subspan(offsets[i], end - offsets[i]), nesting, true));
    anyFailed = anyFailed || replies.back()[2] != status::kSuccess;
    total += replies.back().size();
  }
  size_t replySize = 4 + total;
  if ((options_.mspReplyLimit && replySize > options_.mspReplyLimit) || replySize > kMaxRouterReply ||
      total > 0xFFFF)
    return failure(status::kResponseTooLarge);

  Reply reply;
  reply.generalStatus = anyFailed ? status::kEmbeddedServiceError : status::kSuccess;
  reply.data.reserve(total);
  putU16(reply.data, count);
  size_t offset = tableEnd;
  for (const Bytes& embedded : replies) {
    putU16(reply.data, static_cast<uint16_t>(offset));
    offset += embedded.size();
  }
  for (const Bytes& embedded : replies) putBytes(reply.data, embedded);
  return reply;
}

}  // namespace quillon::sim::detail
