#include "template_object.hpp"

#include <algorithm>

#include "limits.hpp"

namespace quillon::sim::detail {

namespace {
constexpr size_t kMaxAttributes = 32;
}

Reply templateAttributes(const StructType& type, ByteSpan requestData) {
  ByteReader in(requestData);
  uint16_t count = in.u16();
  if (!in.ok() || in.remaining() < size_t{count} * 2) return failure(status::kNotEnoughData);
  if (in.remaining() > size_t{count} * 2) return failure(status::kTooMuchData);
  if (count > kMaxAttributes) return failure(status::kInvalidParameterValue);
  Reply reply;
  putU16(reply.data, count);
  for (uint16_t i = 0; i < count; ++i) {
    uint16_t id = in.u16();
    putU16(reply.data, id);
    switch (id) {
      case 1: putU16(reply.data, 0); putU16(reply.data, type.handle); break;
      case 2: putU16(reply.data, 0); putU16(reply.data, static_cast<uint16_t>(type.members.size())); break;
      case 4: putU16(reply.data, 0); putU32(reply.data, type.definitionWords); break;
      case 5: putU16(reply.data, 0); putU32(reply.data, type.size); break;
      default:
        putU16(reply.data, status::kAttributeNotSupported);
        reply.generalStatus = status::kAttributeListError;
        break;
    }
  }
  return reply;
}

Reply readTemplate(const StructType& type, ByteSpan requestData, const Options& options) {
  ByteReader in(requestData);
  uint32_t offset = in.u32();
  uint16_t wanted = in.u16();
  if (!in.ok()) return failure(status::kNotEnoughData);
  if (!in.atEnd()) return failure(status::kTooMuchData);
  if (wanted == 0) return failure(status::kInvalidParameterValue);
  const Bytes& data = type.templateData;
  if (offset >= data.size()) return failure(status::kGeneralError, extended::kBeyondEndOfObject);
  size_t left = data.size() - offset;
  size_t cap = capBy(options.templateBytesPerReply, replyBudget(options) - 4);
  size_t size = std::min({size_t{wanted}, left, cap});
  Reply reply;
  reply.data.assign(data.begin() + offset, data.begin() + static_cast<ptrdiff_t>(offset + size));
  bool cut = size < wanted && size < left;
  reply.generalStatus = cut ? status::kPartialTransfer : status::kSuccess;
  return reply;
}

}  // namespace quillon::sim::detail
