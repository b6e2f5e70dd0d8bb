#include "template_object.hpp"

#include <algorithm>

#include "limits.hpp"
#include "types.hpp"

namespace quillon::sim::detail {

namespace {
constexpr size_t kMaxAttributes = 32;
constexpr size_t kMemberRowSize = 8;
}

std::optional<TemplateView> templateFor(uint16_t id, const StructType* type, const Options& options) {
  auto replaced = options.templateOverrides.find(id);
  if (replaced == options.templateOverrides.end()) {
    if (!type) return std::nullopt;
    return TemplateView{type->handle, static_cast<uint16_t>(type->members.size()), type->definitionWords,
                        type->size, type->templateData};
  }
  const TemplateOverride& given = replaced->second;
  ByteSpan data = given.data;
  size_t table = std::min(data.size(), size_t{given.memberCount} * kMemberRowSize);
  return TemplateView{structureHandle(data.first(table)), given.memberCount,
                      definitionWords(data.size()), type ? type->size : 0, data};
}

Reply templateAttributes(const TemplateView& view, ByteSpan requestData) {
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
      case 1: putU16(reply.data, 0); putU16(reply.data, view.handle); break;
      case 2: putU16(reply.data, 0); putU16(reply.data, view.memberCount); break;
      case 4: putU16(reply.data, 0); putU32(reply.data, view.definitionWords); break;
      case 5: putU16(reply.data, 0); putU32(reply.data, view.structureSize); break;
      default:
        putU16(reply.data, status::kAttributeNotSupported);
        reply.generalStatus = status::kAttributeListError;
        break;
    }
  }
  return reply;
}

Reply readTemplate(const TemplateView& view, ByteSpan requestData, const Options& options) {
  ByteReader in(requestData);
  uint32_t offset = in.u32();
  uint16_t wanted = in.u16();
  if (!in.ok()) return failure(status::kNotEnoughData);
  if (!in.atEnd()) return failure(status::kTooMuchData);
  if (wanted == 0) return failure(status::kInvalidParameterValue);
  ByteSpan data = view.data;
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
