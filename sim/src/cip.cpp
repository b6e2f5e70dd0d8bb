#include "cip.hpp"

#include <cstdio>

namespace quillon::sim::detail {

namespace {

// Logical segments carry their value in 1, 2 (after a pad byte) or 4 bytes (after a pad
// byte) depending on the low two bits of the segment type.
std::optional<uint32_t> logicalValue(uint8_t type, ByteReader& in) {
  switch (type & 0x03) {
    case 0: return in.u8();
    case 1: in.skip(1); return in.u16();
    case 2: in.skip(1); return in.u32();
    default: return std::nullopt;  // reserved format
  }
}

std::optional<Segment::Kind> logicalKind(uint8_t type) {
  switch (type & 0xFC) {
    case 0x20: return Segment::Kind::Class;
    case 0x24: return Segment::Kind::Instance;
    case 0x28: return Segment::Kind::Element;
    case 0x30: return Segment::Kind::Attribute;
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<Path> parsePath(ByteSpan bytes) {
  Path path;
  ByteReader in(bytes);
  while (in.ok() && !in.atEnd()) {
    uint8_t type = in.u8();
    if (type == 0x91) {
      uint8_t length = in.u8();
      ByteSpan name = in.bytes(length);
      if (length % 2 == 1) in.skip(1);
      if (!in.ok() || length == 0) return std::nullopt;
      path.push_back({Segment::Kind::Symbol, 0,
                      std::string_view(reinterpret_cast<const char*>(name.data()), name.size())});
      continue;
    }
    std::optional<Segment::Kind> kind = logicalKind(type);
    if (!kind) return std::nullopt;
    std::optional<uint32_t> value = logicalValue(type, in);
    if (!value || !in.ok()) return std::nullopt;
    // Class and attribute ids have no 32-bit form.
    if ((*kind == Segment::Kind::Class || *kind == Segment::Kind::Attribute) && (type & 0x03) == 2)
      return std::nullopt;
    path.push_back({*kind, *value, {}});
  }
  if (!in.ok()) return std::nullopt;
  return path;
}

std::string pathText(const Path& path) {
  std::string text;
  bool inIndex = false;
  char number[32];
  for (const Segment& segment : path) {
    if (segment.kind != Segment::Kind::Element && inIndex) {
      text += ']';
      inIndex = false;
    }
    switch (segment.kind) {
      case Segment::Kind::Symbol:
        if (!text.empty()) text += '.';
        text += segment.name;
        break;
      case Segment::Kind::Element:
        text += inIndex ? ',' : '[';
        inIndex = true;
        std::snprintf(number, sizeof number, "%u", segment.value);
        text += number;
        break;
      case Segment::Kind::Class:
      case Segment::Kind::Instance:
      case Segment::Kind::Attribute: {
        const char* word = segment.kind == Segment::Kind::Class      ? "class"
                           : segment.kind == Segment::Kind::Instance ? "instance"
                                                                     : "attribute";
        if (segment.kind == Segment::Kind::Class)
          std::snprintf(number, sizeof number, "%s 0x%02X", word, segment.value);
        else
          std::snprintf(number, sizeof number, "%s %u", word, segment.value);
        if (!text.empty()) text += ' ';
        text += number;
        break;
      }
    }
  }
  if (inIndex) text += ']';
  return text;
}

std::optional<Request> parseRequest(ByteSpan bytes) {
  ByteReader in(bytes);
  Request request;
  request.service = in.u8();
  uint8_t words = in.u8();
  request.pathBytes = in.bytes(size_t{words} * 2);
  if (!in.ok()) return std::nullopt;
  request.data = in.rest();
  return request;
}

size_t encodedReplySize(const Reply& reply) {
  return 4 + 2 * reply.additional.size() + reply.data.size();
}

Bytes encodeReply(uint8_t requestService, const Reply& reply) {
  Bytes out;
  out.reserve(encodedReplySize(reply));
  putU8(out, static_cast<uint8_t>(requestService | 0x80));
  putU8(out, 0);
  putU8(out, reply.generalStatus);
  putU8(out, static_cast<uint8_t>(reply.additional.size()));
  for (uint16_t word : reply.additional) putU16(out, word);
  putBytes(out, reply.data);
  return out;
}

}  // namespace quillon::sim::detail
