#include "identity_object.hpp"

#include <algorithm>

namespace quillon::sim::detail {

namespace {

constexpr uint8_t kStateOperational = 3;

void putShortString(Bytes& out, const std::string& text) {
  size_t length = std::min<size_t>(text.size(), 255);
  putU8(out, static_cast<uint8_t>(length));
  putText(out, std::string_view(text).substr(0, length));
}

void putAttribute(Bytes& out, const Identity& identity, uint32_t id) {
  switch (id) {
    case 1: putU16(out, identity.vendorId); break;
    case 2: putU16(out, identity.deviceType); break;
    case 3: putU16(out, identity.productCode); break;
    case 4: putU8(out, identity.revisionMajor); putU8(out, identity.revisionMinor); break;
    case 5: putU16(out, identity.status); break;
    case 6: putU32(out, identity.serialNumber); break;
    case 7: putShortString(out, identity.productName); break;
    default: putU8(out, kStateOperational); break;
  }
}

}  // namespace

Reply identityService(const Identity& identity, uint8_t service, const Path& path, const Options& options) {
  if (service == 0x01) {
    if (options.identityStatus != 0) return failure(options.identityStatus);
    Reply reply;
    for (uint32_t id = 1; id <= 8; ++id) putAttribute(reply.data, identity, id);
    if (options.identityDataBytes && *options.identityDataBytes < reply.data.size())
      reply.data.resize(*options.identityDataBytes);
    return reply;
  }
  if (service != 0x0E) return failure(status::kServiceNotSupported);
  if (path.size() != 3 || path[2].kind != Segment::Kind::Attribute) return failure(status::kPathSegmentError);
  uint32_t id = path[2].value;
  if (id < 1 || id > 8) return failure(status::kAttributeNotSupported);
  Reply reply;
  putAttribute(reply.data, identity, id);
  return reply;
}

Bytes identityItem(const Identity& identity, uint32_t ipv4, uint16_t port) {
  Bytes out;
  putU16(out, 1);  // encapsulation protocol version
  // sockaddr_in in network byte order: family, port, address, 8 zero bytes.
  putU8(out, 0);
  putU8(out, 2);
  putU8(out, static_cast<uint8_t>(port >> 8));
  putU8(out, static_cast<uint8_t>(port));
  for (int shift = 24; shift >= 0; shift -= 8) putU8(out, static_cast<uint8_t>(ipv4 >> shift));
  out.insert(out.end(), 8, 0);
  for (uint32_t id = 1; id <= 8; ++id) putAttribute(out, identity, id);
  return out;
}

}  // namespace quillon::sim::detail
